#pragma once
// The segmented comment stream's framing: protobuf messages each preceded by its length as a
// varint, arriving in chunks that cut a message, or its length, anywhere. The reader holds the
// part of a message not whole yet and hands out the whole ones in order.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace pelmora::engine::nicolive {

class DelimitedReader {
public:
    explicit DelimitedReader(size_t maxMessage = 4 * 1024 * 1024);

    // Appends bytes. False once the stream is broken: a length past the cap, or a varint of
    // more than 10 bytes; from then on Feed does nothing and returns false.
    bool Feed(const char* data, size_t size);
    // Moves the next whole message into *message; false when none is whole yet.
    bool Next(std::string* message);
    bool IsBroken() const { return m_reason != nullptr; }
    // English, for a state text; "" when not broken.
    const char* BrokenReason() const { return m_reason ? m_reason : ""; }
    // Bytes held of a message not whole yet (0 at a clean message boundary).
    size_t PendingBytes() const { return m_lengthBytes + m_body.size(); }

private:
    void fail(const char* reason) { m_reason = reason; }

    size_t m_maxMessage;
    // Reading the length: its bytes so far and the value they make.
    unsigned m_lengthBytes = 0;
    uint64_t m_length = 0;
    // Reading the body (once the length is whole): the bytes so far.
    bool m_inBody = false;
    std::string m_body;
    std::deque<std::string> m_whole;
    const char* m_reason = nullptr;
};

}  // namespace pelmora::engine::nicolive
