// Fuzz target: the readers of today's video comment data, which take bytes from outside: the
// comment interface's answer (and the key endpoint's, same shape), and a watch page's
// embedded data. Links pelmora_engine_core (with pelmora_json and simdjson).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/service/json_value.h"
#include "engine/service/nvcomment_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pelmora::engine;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // A cap far below the engine's so that the fuzzer spends its time on shapes, not sizes.
    json::Document document(1 << 20);
    nvcomment::ThreadsAnswer answer;
    std::string error;
    if (nvcomment::parseThreadsAnswer(document, bytes, answer, error)) {
        // Every view must still point into the document.
        size_t total = 0;
        for (const nvcomment::AnswerThread& thread : answer.threads)
            for (const nvcomment::AnswerComment& comment : thread.comments)
                total += comment.body.size() + comment.userId.size() + comment.mail.size();
        (void)total;
    }
    nvcomment::KeyAnswer key;
    nvcomment::parseKeyAnswer(document, bytes, key, error);

    nvcomment::WatchData page;
    if (nvcomment::readWatchData(bytes, page, error) == nvcomment::PageData::Found && !page.targets.empty())
        (void)nvcomment::threadsRequestBody(page, {0}, page.threadKey, 1);
    return 0;
}
