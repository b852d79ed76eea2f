// The receive loop over a memory stream that hands the answer out in reads cut anywhere, in
// whole-body and in reader-stream mode. The first byte picks the buffer size and whether the
// content coding is undone. Whatever the cuts, each mode ends the same way with the same
// bytes, and for an answer without content coding both modes hand on the same body.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "qarvo/http/response_receiver.h"
#include "qarvo/net/byte_stream.h"

using namespace qarvo;
using http::ResponseReceiver;

namespace {

class PiecesStream : public net::I_ByteStream {
public:
    PiecesStream(std::string_view data, std::vector<size_t> cuts) : m_data(data), m_cuts(std::move(cuts)) {}

    long Read(void* out, long size) override
    {
        while (m_next < m_cuts.size() && m_cuts[m_next] <= m_at)
            ++m_next;
        if (m_at >= m_data.size())
            return 0;
        const size_t end = m_next < m_cuts.size() ? m_cuts[m_next] : m_data.size();
        const size_t n = std::min(end - m_at, static_cast<size_t>(size));
        std::memcpy(out, m_data.data() + m_at, n);
        m_at += n;
        return static_cast<long>(n);
    }
    long Write(const void*, long size) override { return size; }
    int WaitReadable(int) override { return 1; }
    int WaitWritable(int) override { return 1; }

private:
    std::string_view m_data;
    std::vector<size_t> m_cuts;
    size_t m_next = 0;
    size_t m_at = 0;
};

struct Outcome {
    ResponseReceiver::End end;
    int state;
    bool header;
    std::string bytes;  // the body (whole-body mode) or everything delivered (stream mode)
    bool operator==(const Outcome&) const = default;
};

Outcome receive(std::string_view answer, const std::vector<size_t>& cuts, bool streamMode, size_t bufferSize,
                bool decode)
{
    http::StreamBuffer stream;
    // Nobody reads while the loop runs here, so the cap must hold all a fuzz input can inflate to.
    stream.Begin(size_t{256} << 20);
    ResponseReceiver::Settings settings;
    settings.bufferSize = bufferSize;
    settings.stream = streamMode ? &stream : nullptr;
    settings.decodeContent = decode;
    ResponseReceiver receiver(settings);
    PiecesStream in(answer, cuts);
    I_HttpType::tag_HttpStatus status;
    Outcome out;
    out.end = receiver.Run(in, net::Deadline::None(), nullptr, &status);
    out.state = receiver.GetStateCode();
    out.header = receiver.HeaderComplete();
    if (streamMode) {
        stream.Finish();
        C_Memory piece;
        for (int n; (n = stream.Read(&piece, 65536, 0)) > 0;)
            out.bytes.append(reinterpret_cast<const char*>(piece.GetMemory()), static_cast<size_t>(n));
    } else if (receiver.GetBuffer()) {
        out.bytes.assign(receiver.GetBuffer() + receiver.GetBodyOffset(), receiver.GetBodySize());
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const unsigned mode = data[0];
    const pelmora::fuzz::SeededInput in = pelmora::fuzz::seeded(data + 1, size - 1);
    const size_t bufferSize = (mode & 1) ? 30720 : 1 << 20;
    const bool decode = (mode & 2) != 0;
    const std::vector<size_t> cuts = pelmora::fuzz::cutPoints(in.seed, in.rest.size());
    const std::vector<size_t> one = {in.rest.size()};
    const Outcome streamWhole = receive(in.rest, one, true, bufferSize, decode);
    const Outcome streamSplit = receive(in.rest, cuts, true, bufferSize, decode);
    pelmora::fuzz::require(streamWhole == streamSplit);
    const Outcome bodyWhole = receive(in.rest, one, false, bufferSize, decode);
    const Outcome bodySplit = receive(in.rest, cuts, false, bufferSize, decode);
    // Near the buffer's limit the whole-body mode may fail at a different read.
    if (bodyWhole.state != 15 && bodySplit.state != 15)
        pelmora::fuzz::require(bodyWhole == bodySplit);
    // (Without a header end, whole-body mode takes all the data as the body.)
    if (!decode && bodyWhole.state != 15 && bodyWhole.header)
        pelmora::fuzz::require(bodyWhole.bytes == streamWhole.bytes);
    return 0;
}
