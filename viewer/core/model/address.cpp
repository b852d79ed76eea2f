#include "viewer/core/model/address.h"

#include "engine/service/endpoints.h"
#include "qarvo/file/path.h"

namespace pelmora::viewer {

namespace ep = pelmora::endpoints;

C_WString MainWatchPrefix()
{
    return C_WString(qarvo::C_String::Stringf("http://%s%s", ep::kMainHost, ep::kWatchPath));
}

C_WString LiveWatchPrefix()
{
    return C_WString(qarvo::C_String::Stringf("http://%s%s", ep::kLiveHost, ep::kWatchPath));
}

int ClassifyAddress(const C_WString& address)
{
    const C_WString last = qarvo::qarvo_GetLastName(address);
    if (last.StartsWith(u"lv") || last.StartsWith(u"ch") || last.StartsWith(u"co"))
        return 1;
    return address.StartsWith(u"http://live") ? 1 : 0;
}

C_WString NormalizeAddress(const C_WString& input)
{
    // Cut first: the words after the blank of a history line ("sm123 Song/cover") are a
    // title, and classifying them would make the video a broadcast.
    C_WString address = input;
    const int query = address.IndexOf(u"?");
    if (query >= 0)
        address = address.Left(query);
    const int blank = address.IndexOf(u" ");
    if (blank >= 0)
        address = address.Left(blank);
    if (!address.StartsWith(u"http"))
        address = (ClassifyAddress(address) ? LiveWatchPrefix() : MainWatchPrefix()) + address;
    return address;
}

C_WString AddressIdentifier(const C_WString& address)
{
    return qarvo::qarvo_GetLastName(address);
}

C_WString AddressFromBoxText(const C_WString& text)
{
    if (text.IsEmpty())
        return C_WString();
    if (text.StartsWith(u"http"))
        return text;
    C_WString id = text;
    const int blank = id.IndexOf(u" ");
    if (blank >= 0)
        id = id.Left(blank).Trim();
    return MainWatchPrefix() + id;
}

}  // namespace pelmora::viewer
