#include "qarvo/http/response_receiver.h"

#include <cstring>
#include <string_view>

#include "qarvo/http/response_head.h"
#include "qarvo/net/state_message.h"
#include "qarvo/text/ascii.h"
#include "qarvo/time/clock.h"

namespace qarvo::http {
namespace {

// Waits are cut into slices this long so that an abort is seen quickly.
constexpr int kPollSliceMs = 10;
// A failed read (other than "would block") is retried after this pause.
constexpr int kFailedReadPauseMs = 100;

bool transferIsChunked(const I_HttpType::tag_HttpStatus& status)
{
    for (const C_String& line : status.headers) {
        if (const char* v = headerValueOf(line, "Transfer-Encoding:"))
            if (text::containsNoCaseAscii(v, "chunked"))
                return true;
    }
    return false;
}

// Two lengths that disagree leave the end of the body to a guess: on a kept-alive connection
// the wrong one would take bytes of the next answer for this one, or the reverse.
bool conflictingLengths(const I_HttpType::tag_HttpStatus& status)
{
    for (const C_String& line : status.headers)
        if (const char* v = headerValueOf(line, "Content-Length:"))
            if (parseContentLength(v) != status.contentLength)
                return true;
    return false;
}

}  // namespace

ResponseReceiver::ResponseReceiver(const Settings& settings) : m_settings(settings)
{
    m_capacity = settings.stream ? kStreamBufferSize : settings.bufferSize;
    // One spare byte keeps room for a terminator; the block is not zeroed, and it grows with
    // the answer.
    m_buffer = platform::allocateMemoryBlock((m_capacity < kInitialBufferSize ? m_capacity : kInitialBufferSize) + 1);
}

bool ResponseReceiver::reserve(size_t bytes)
{
    if (bytes > m_capacity)
        bytes = m_capacity;
    const size_t held = platform::memoryBlockSize(m_buffer) - 1;
    if (held >= bytes)
        return true;
    size_t grown = held * 2 > bytes ? held * 2 : bytes;
    if (grown > m_capacity)
        grown = m_capacity;
    // An answer that says its length is received into a buffer of its size.
    if (m_headerLength > 0 && !m_chunked && m_expected >= 0) {
        const uint64_t whole = static_cast<uint64_t>(m_headerLength) + static_cast<uint64_t>(m_expected);
        if (whole >= bytes && whole < grown)
            grown = static_cast<size_t>(whole);
    }
    return platform::resizeMemoryBlock(m_buffer, grown + 1);
}

size_t ResponseReceiver::prepareRead()
{
    size_t want = kReadSize;
    if (m_headerLength > 0) {
        want = m_capacity - m_used < kBodyReadSize ? m_capacity - m_used : kBodyReadSize;
        // A plain body with a length is read to its end and no further.
        if (!m_chunked && m_expected >= 0) {
            const uint64_t left = bodyLeft();
            if (left < want)
                want = left > 0 ? static_cast<size_t>(left) : 1;
        }
    }
    return reserve(m_used + want) ? want : 0;
}

uint64_t ResponseReceiver::bodyLeft() const
{
    const int64_t held = m_bodyBytes + static_cast<int64_t>(m_used - m_bodyEnd);
    return held < m_expected ? static_cast<uint64_t>(m_expected - held) : 0;
}

bool ResponseReceiver::readsStraightIntoStream() const
{
    return m_settings.stream && m_headerLength > 0 && !m_chunked && !m_inflater && !m_noBody &&
           m_used == m_headerLength;
}

long ResponseReceiver::readIntoStream(net::I_ByteStream& stream)
{
    size_t want = kBodyReadSize;
    if (m_expected >= 0) {
        const uint64_t left = static_cast<uint64_t>(m_expected - m_bodyBytes);
        if (left < want)
            want = static_cast<size_t>(left);
    }
    size_t room = 0;
    char* at = m_settings.stream->BeginWrite(want, &room, m_stopTest);
    if (!at) {
        m_stopped = true;
        return net::I_ByteStream::kWouldBlock;
    }
    const long n = stream.Read(at, static_cast<long>(room));
    m_settings.stream->EndWrite(n > 0 ? static_cast<size_t>(n) : 0);
    if (n > 0) {
        m_bodyBytes += n;
        if (m_progress)
            m_progress(static_cast<size_t>(n));
        if (m_expected >= 0 && m_bodyBytes >= m_expected)
            m_complete = true;
    }
    return n;
}

ResponseReceiver::End ResponseReceiver::fail(int code, const char* text)
{
    m_stateCode = code;
    m_errorText = text ? C_String(text) : C_String();
    return End::Failed;
}

bool ResponseReceiver::waitReadable(net::I_ByteStream& stream, const net::Deadline& deadline,
                                    const std::function<bool()>& isAbort, int ms)
{
    const uint32_t start = qarvo_time_millis();
    while (qarvo_time_millis() - start < static_cast<uint32_t>(ms)) {
        if ((isAbort && isAbort()) || deadline.Passed())
            return false;
        if (stream.WaitReadable(deadline.Slice(kPollSliceMs)) != 0)
            return true;
    }
    return false;
}

ResponseReceiver::End ResponseReceiver::Run(net::I_ByteStream& stream, const net::Deadline& deadline,
                                            const std::function<bool()>& isAbort, I_HttpType::tag_HttpStatus* status)
{
    if (!m_buffer)
        return fail(net::kStateMemoryError);
    // A delivery that waits for the reader gives up on abort or at the deadline.
    m_stopTest = [&] { return (isAbort && isAbort()) || deadline.Passed(); };
    int retries = kReadRetries;
    for (;;) {
        if (m_complete)
            return End::Complete;
        if (isAbort && isAbort()) {
            m_stateCode = net::kStateAborted;
            return End::Aborted;
        }
        if (deadline.Passed()) {
            m_stateCode = net::kStateTimeOut;
            return End::TimedOut;
        }
        long n;
        if (readsStraightIntoStream()) {
            n = readIntoStream(stream);
            if (n > 0) {
                retries = kReadRetries;
                continue;
            }
            if (m_stopped)
                continue;  // the abort or the deadline ends it above
        } else {
            // The buffer must keep room for one whole read.
            if (m_capacity - m_used < kReadSize)
                return fail(net::kStateBufferFull);
            size_t want = prepareRead();
            if (want == 0)
                return fail(net::kStateMemoryError);
            n = stream.Read(m_buffer.get() + m_used, static_cast<long>(want));
            if (n > 0) {
                retries = kReadRetries;
                m_used += static_cast<size_t>(n);
                m_receivedAny = true;
                // While reads come back full, more is waiting: gather it before handing it on,
                // so that a fast stream is passed along in fewer, larger pieces.
                bool closed = false;
                while (m_headerLength > 0 && n == static_cast<long>(want) && m_capacity - m_used >= kReadSize &&
                       (m_chunked || m_expected < 0 || bodyLeft() > 0) && (want = prepareRead()) > 0) {
                    n = stream.Read(m_buffer.get() + m_used, static_cast<long>(want));
                    if (n > 0)
                        m_used += static_cast<size_t>(n);
                    closed = n == 0;
                }
                if (!process(status))
                    return End::Failed;
                if (closed && !m_complete)
                    return End::PeerClosed;
                continue;
            }
        }
        if (n == 0)
            return End::PeerClosed;
        if (n == net::I_ByteStream::kWouldBlock) {
            // After the last chunk a late trailer is not worth waiting for.
            if (m_chunked && m_chunks.SawLastChunk())
                return End::Complete;
            waitReadable(stream, deadline, isAbort, 50);
            continue;
        }
        if (--retries <= 0)
            return fail(net::kStateRecvFailed);
        const uint32_t start = qarvo_time_millis();
        while (qarvo_time_millis() - start < static_cast<uint32_t>(kFailedReadPauseMs) && !(isAbort && isAbort()) &&
               !deadline.Passed())
            qarvo_sleep_millis(kPollSliceMs);
    }
}

bool ResponseReceiver::findHeader(I_HttpType::tag_HttpStatus* status)
{
    for (;;) {
        const size_t from = m_scanned >= 3 ? m_scanned - 3 : 0;
        const std::string_view data(m_buffer.get(), m_used);
        const size_t pos = data.find("\r\n\r\n", from);
        if (pos == std::string_view::npos) {
            m_scanned = m_used;
            return true;
        }
        const size_t end = pos + 4;
        const int code = statusNumberOf(m_buffer.get(), end);
        if (code >= 100 && code < 200) {
            // An interim answer (100 Continue...): the real one follows on the same connection.
            std::memmove(m_buffer.get(), m_buffer.get() + end, m_used - end);
            m_used -= end;
            m_scanned = 0;
            continue;
        }
        m_headerLength = end;
        m_bodyEnd = end;
        parseResponseHead(m_buffer.get(), end, status);
        m_expected = status->contentLength;
        if (conflictingLengths(*status))
            return fail(-1, "the answer has Content-Length lines that disagree"), false;
        m_chunked = m_settings.decodeChunked && transferIsChunked(*status);
        m_noBody = m_settings.headRequest || code == 204 || code == 304;
        if (m_settings.stream && m_settings.decodeContent) {
            const ContentCoding coding = contentCodingOf(status->contentEncoding);
            if (coding != ContentCoding::Identity)
                m_inflater = std::make_unique<Inflater>(coding);
        }
        return true;
    }
}

bool ResponseReceiver::deliver(const char* data, size_t size)
{
    StreamBuffer* out = m_settings.stream;
    const std::function<bool()>& stop = m_stopTest;
    auto sink = [out, &stop, this](const char* piece, size_t n) {
        if (out->Deliver(piece, n, stop))
            return true;
        m_stopped = true;
        return false;
    };
    if (!m_inflater)
        return sink(data, size);
    if (m_inflater->Feed(data, size, sink))
        return true;
    if (!m_stopped)
        fail(-1, m_inflater->GetError().c_str());
    return false;
}

size_t ResponseReceiver::decodeChunks()
{
    const size_t raw = m_used - m_bodyEnd;
    const ChunkDecoder::Step step = m_chunks.Feed(m_buffer.get() + m_bodyEnd, raw);
    // The unfinished line (or anything after the body) moves down behind the decoded bytes.
    const size_t leftover = raw - step.consumed;
    if (leftover > 0 && step.produced != step.consumed)
        std::memmove(m_buffer.get() + m_bodyEnd + step.produced, m_buffer.get() + m_bodyEnd + step.consumed, leftover);
    m_bodyEnd += step.produced;
    m_used = m_bodyEnd + leftover;
    if (m_chunks.IsDone()) {
        m_used = m_bodyEnd;  // anything after the body belongs to no answer of ours
        m_complete = true;
    }
    return step.produced;
}

size_t ResponseReceiver::takePlainBody()
{
    size_t fresh = m_used - m_bodyEnd;
    // Counted against the whole body so far, not against what this read brought: in
    // reader-stream mode the buffer is emptied after every delivery.
    if (m_expected >= 0) {
        const uint64_t left = static_cast<uint64_t>(m_expected - m_bodyBytes);
        if (fresh >= left) {
            fresh = static_cast<size_t>(left);
            m_used = m_bodyEnd + fresh;
            m_complete = true;
        }
    }
    m_bodyEnd += fresh;
    return fresh;
}

bool ResponseReceiver::handOn()
{
    const bool delivered = deliver(m_buffer.get() + m_headerLength, m_bodyEnd - m_headerLength);
    const size_t leftover = m_used - m_bodyEnd;
    if (leftover > 0)
        std::memmove(m_buffer.get() + m_headerLength, m_buffer.get() + m_bodyEnd, leftover);
    m_bodyEnd = m_headerLength;
    m_used = m_headerLength + leftover;
    return delivered || m_stopped;
}

bool ResponseReceiver::process(I_HttpType::tag_HttpStatus* status)
{
    if (m_headerLength == 0) {
        if (!findHeader(status))
            return false;
        if (m_headerLength == 0)
            return true;
    }
    if (m_noBody) {
        m_used = m_bodyEnd = m_headerLength;
        m_complete = true;
        return true;
    }
    const size_t fresh = m_chunked ? decodeChunks() : takePlainBody();
    if (fresh > 0) {
        m_bodyBytes += static_cast<int64_t>(fresh);
        if (m_progress)
            m_progress(fresh);
    }
    // The bytes decoded before a malformed chunk are handed on first, so that what a reader
    // gets does not depend on where the reads split the body.
    if (m_settings.stream && m_bodyEnd > m_headerLength && !handOn())
        return false;
    if (m_chunks.IsFailed())
        return fail(-1, "the chunked body is malformed"), false;
    return true;
}

}  // namespace qarvo::http
