#include "qarvo/http/chunk_decoder.h"

#include <cstring>

#include "qarvo/text/integer.h"

namespace qarvo::http {
namespace {

int hexValue(char c)
{
    return qarvo_hexdigit(static_cast<unsigned char>(c));
}

}  // namespace

bool ChunkDecoder::readSizeLine(const char* line, size_t length)
{
    size_t i = 0;
    while (i < length && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    uint64_t size = 0;
    size_t digits = 0;
    for (; i < length && hexValue(line[i]) >= 0; ++i) {
        if (++digits > kMaxSizeDigits)
            return fail(Error::SizeTooLarge);
        size = size * 16 + static_cast<uint64_t>(hexValue(line[i]));
    }
    if (digits == 0)
        return fail(Error::BadSize);
    while (i < length && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    if (i < length && line[i] != ';')
        return fail(Error::BadSize);
    ++m_chunks;
    if (size == 0) {
        m_state = State::Trailer;
    } else {
        m_remaining = size;
        m_state = State::Data;
    }
    return true;
}

ChunkDecoder::Step ChunkDecoder::Feed(char* data, size_t size)
{
    Step step;
    size_t& in = step.consumed;
    size_t& out = step.produced;
    while (in < size) {
        switch (m_state) {
        case State::SizeLine:
        case State::Trailer: {
            const char* lf = static_cast<const char*>(std::memchr(data + in, '\n', size - in));
            if (!lf) {
                if (size - in > kMaxLineLength)
                    fail(m_state == State::SizeLine ? Error::SizeLineTooLong : Error::TrailerTooLong);
                return step;
            }
            size_t length = static_cast<size_t>(lf - (data + in));
            const size_t lineEnd = in + length + 1;
            if (length > kMaxLineLength) {
                fail(m_state == State::SizeLine ? Error::SizeLineTooLong : Error::TrailerTooLong);
                return step;
            }
            if (length > 0 && data[in + length - 1] == '\r')
                --length;
            if (m_state == State::SizeLine) {
                if (!readSizeLine(data + in, length))
                    return step;
            } else if (length == 0) {
                m_state = State::Done;
            }
            in = lineEnd;
            break;
        }
        case State::Data: {
            const size_t available = size - in;
            const size_t take = m_remaining < available ? static_cast<size_t>(m_remaining) : available;
            if (out != in)
                std::memmove(data + out, data + in, take);
            out += take;
            in += take;
            m_remaining -= take;
            if (m_remaining == 0)
                m_state = State::DataEnd;
            break;
        }
        case State::DataEnd:
            if (data[in] == '\n') {
                in += 1;
                m_state = State::SizeLine;
            } else if (data[in] == '\r') {
                if (size - in < 2)
                    return step;
                if (data[in + 1] != '\n') {
                    fail(Error::MissingDataEnd);
                    return step;
                }
                in += 2;
                m_state = State::SizeLine;
            } else {
                fail(Error::MissingDataEnd);
                return step;
            }
            break;
        case State::Done:
        case State::Failed:
            return step;
        }
    }
    return step;
}

}  // namespace qarvo::http
