#include "viewer/core/model/settings.h"

#include "qarvo/ini/ini_file.h"

namespace pelmora::viewer::settings {

namespace {

int bound(long long value, long long low, long long high, int fallback)
{
    return value >= low && value <= high ? static_cast<int>(value) : fallback;
}

}  // namespace

int BoundCommentInterval(long long seconds)
{
    return bound(seconds, 8, 86400, 30);
}

int BoundLiveInterval(long long seconds)
{
    return bound(seconds, 1, 10, 1);
}

int BoundTagInterval(long long seconds)
{
    return bound(seconds, 5, 86400, 10);
}

long long ParseEditNumber(const qarvo::C_WString& text)
{
    long long value = 0;
    bool any = false;
    for (char16_t c : text.std()) {
        if (c < u'0' || c > u'9')
            break;
        any = true;
        value = value * 10 + (c - u'0');
        if (value > 0xFFFFFFFFLL)
            return value;  // already out of every bound
    }
    return any ? value : 0;
}

int IntervalToMillis(int seconds)
{
    return static_cast<unsigned>(seconds) <= 86400u ? seconds * 1000 : 20000;
}

void WriteStartupDefaults(const qarvo::C_WString& path)
{
    qarvo::C_WIniFile ini(path);
    const struct {
        const char16_t* key;
        int value;
    } defaults[] = {{kCommentInterval, 30}, {kLiveInterval, 1}, {kTagInterval, 20}, {kUrlList, 1}, {kGetTag, 1}};
    for (const auto& d : defaults)
        if (!ini.IsExistStr(qarvo::C_WString(d.key)))
            ini.SetStr(qarvo::C_WString(d.key), d.value);
}

}  // namespace pelmora::viewer::settings
