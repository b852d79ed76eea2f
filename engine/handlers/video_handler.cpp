#include "engine/handlers/video_handler.h"

#include "engine/handlers/debug_comments.h"
#include "engine/handlers/live_handler.h"
#include "engine/job/request_words.h"
#include "engine/pelmora2.h"
#include "engine/service/endpoints.h"

namespace pelmora::engine {

int handleVideo(const char* address, qarvo::C_WArrayString& words, ParseContext& context)
{
    if (modeHas(words, u"dumy_debug"))
        return generateDebugComments(words, context);

    const int count = requestedCount(words);
    const qarvo::C_WString& wideAddress = words.GetString(kAddressWord);
    if (wideAddress.Contains(endpoints::kLiveMarker) || wideAddress.Contains(endpoints::kJikkyoMarker))
        return handleLive(address, words, context, count);

    // The watch page and comment-server exchange is not built yet.
    return PELMORA_RESULT_REQUEST_FAILED;
}

}  // namespace pelmora::engine
