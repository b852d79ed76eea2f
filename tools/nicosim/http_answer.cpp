#include "tools/nicosim/http_answer.h"

#include "tools/nicosim/content_coding.h"

#include <algorithm>
#include <iterator>
#include <memory>

namespace nicosim {
namespace {

// Writes pieces of `body` from `offset` up to `limit`, one chunk size per call, and returns
// how far it got.
size_t writePiece(httplib::DataSink& sink, const std::string& body, size_t offset, size_t limit, size_t& turn,
                  bool oneByte)
{
    const size_t size = std::min(oneByte ? 1 : kChunkSizes[turn++ % std::size(kChunkSizes)], limit - offset);
    sink.write(body.data() + offset, size);
    return offset + size;
}

} // namespace

void writeAnswer(Answer answer, const Faults& faults, httplib::Response& response)
{
    response.status = answer.status;
    for (const auto& [name, value] : answer.headers)
        response.set_header(name, value);
    if (!faults.unknown.empty()) {
        std::string words;
        for (const std::string& w : faults.unknown)
            words += (words.empty() ? "" : ",") + w;
        response.set_header("X-Nicosim-Unknown-Faults", words);
    }

    if (faults.gzip) {
        answer.body = gzipBytes(answer.body);
        response.set_header("Content-Encoding", "gzip");
    } else if (faults.deflate) {
        answer.body = deflateBytes(answer.body);
        response.set_header("Content-Encoding", "deflate");
    }

    auto body = std::make_shared<const std::string>(std::move(answer.body));
    const std::string& type = answer.contentType;

    if (faults.chunkCut || (faults.chunked && faults.drop)) {
        // Half the body in chunks, then the connection closes without the last chunk.
        auto turn = std::make_shared<size_t>(0);
        response.set_chunked_content_provider(type, [body, turn](size_t offset, httplib::DataSink& sink) {
            const size_t half = body->size() / 2;
            if (offset >= half)
                return false;
            writePiece(sink, *body, offset, half, *turn, false);
            return true;
        });
    } else if (faults.chunked || faults.chunkedOne) {
        auto turn = std::make_shared<size_t>(0);
        const bool oneByte = faults.chunkedOne;
        response.set_chunked_content_provider(type, [body, turn, oneByte](size_t offset, httplib::DataSink& sink) {
            if (offset >= body->size()) {
                sink.done();
                return true;
            }
            writePiece(sink, *body, offset, body->size(), *turn, oneByte);
            return true;
        });
    } else if (faults.drop) {
        // The header promises the whole body (at least one byte); half of it comes.
        const size_t promised = std::max<size_t>(body->size(), 1);
        response.set_content_provider(promised, type,
                                      [body](size_t offset, size_t length, httplib::DataSink& sink) {
                                          const size_t half = body->size() / 2;
                                          if (offset >= half)
                                              return false;
                                          sink.write(body->data() + offset, std::min(length, half - offset));
                                          return true;
                                      });
    } else {
        response.set_content(*body, type);
    }
}

} // namespace nicosim
