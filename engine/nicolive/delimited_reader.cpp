#include "engine/nicolive/delimited_reader.h"

namespace pelmora::engine::nicolive {
namespace {

// A varint of a 64-bit value takes at most ten bytes; an eleventh is no length but noise.
constexpr unsigned kMaxLengthBytes = 10;

}  // namespace

DelimitedReader::DelimitedReader(size_t maxMessage) : m_maxMessage(maxMessage) {}

bool DelimitedReader::Feed(const char* data, size_t size)
{
    if (IsBroken())
        return false;
    size_t at = 0;
    while (at < size) {
        if (!m_inBody) {
            // The length: seven bits a byte, low first, the high bit says another follows.
            const unsigned char byte = static_cast<unsigned char>(data[at++]);
            if (m_lengthBytes == kMaxLengthBytes) {
                fail("a message length of more than ten bytes");
                return false;
            }
            const unsigned shift = 7 * m_lengthBytes;
            const uint64_t bits = byte & 0x7F;
            // The tenth byte holds only the top bit of 64; anything more is past every cap.
            const bool overflows = shift == 63 && bits > 1;
            m_length |= bits << shift;
            ++m_lengthBytes;
            if (byte & 0x80) {
                if (overflows) {
                    fail("a message length past the limit");
                    return false;
                }
                continue;
            }
            if (overflows || m_length > m_maxMessage) {
                fail("a message length past the limit");
                return false;
            }
            m_inBody = true;
        } else {
            const size_t want = static_cast<size_t>(m_length) - m_body.size();
            const size_t take = size - at < want ? size - at : want;
            m_body.append(data + at, take);
            at += take;
        }
        // An empty message is whole as soon as its length is.
        if (m_inBody && m_body.size() == m_length) {
            m_whole.push_back(std::move(m_body));
            m_body.clear();
            m_inBody = false;
            m_lengthBytes = 0;
            m_length = 0;
        }
    }
    return true;
}

bool DelimitedReader::Next(std::string* message)
{
    if (m_whole.empty())
        return false;
    *message = std::move(m_whole.front());
    m_whole.pop_front();
    return true;
}

}  // namespace pelmora::engine::nicolive
