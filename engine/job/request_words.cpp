#include "engine/job/request_words.h"

#include "qarvo/text/integer.h"

namespace pelmora::engine {

qarvo::C_WArrayString splitRequest(const qarvo::C_WString& request)
{
    qarvo::C_WString text(request);
    text.Replace(u"\u3000", u" ");
    text.Squeeze(u' ');
    qarvo::C_WArrayString words;
    words.ParseString(text, u' ');
    return words;
}

int requestedCount(const qarvo::C_WArrayString& words)
{
    const qarvo::C_WString& count = words.GetString(kCountWord);
    return count.IsEmpty() ? 0 : qarvo::C_Integer::ParseInt(count);
}

bool modeHas(const qarvo::C_WArrayString& words, const char16_t* flag)
{
    return words.GetString(kModeWord).Contains(flag);
}

void setWord(qarvo::C_WArrayString& words, int index, const qarvo::C_WString& value)
{
    while (words.Length() <= index)
        words.AppEnd(qarvo::C_WString());
    words[index] = value;
}

}  // namespace pelmora::engine
