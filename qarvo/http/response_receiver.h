#pragma once
// Reading one answer: the header block (interim 1xx answers dropped), then the body, with
// chunked transfer decoded in place. In whole-body mode header and body collect in one
// buffer that always keeps room for one more read; it grows geometrically up to the buffer
// size (to the announced length at once when there is one) and becomes the answer's body
// without a copy. In reader-stream mode body bytes move on to the stream buffer (inflated
// first when the answer is encoded) as they come; a plain body is read from the socket
// straight into the stream buffer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "qarvo/http/chunk_decoder.h"
#include "qarvo/http/content_decoder.h"
#include "qarvo/http/http_type.h"
#include "qarvo/http/reader_stream.h"
#include "qarvo/net/byte_stream.h"
#include "qarvo/net/deadline.h"
#include "qarvo/platform/memory_block.h"

namespace qarvo::http {

class ResponseReceiver {
public:
    // Bytes per read while the header is read, and the room the whole-body buffer must keep
    // for one.
    static constexpr size_t kReadSize = 10240;
    // Bytes per read of the body: a fast stream is taken in few calls.
    static constexpr size_t kBodyReadSize = 256 * 1024;
    // What the whole-body buffer starts with before it grows.
    static constexpr size_t kInitialBufferSize = 64 * 1024;
    // The buffer of reader-stream mode: header and whatever body bytes are not moved on yet.
    static constexpr size_t kStreamBufferSize = 30720;
    // Failed reads in a row (other than "would block") before the reception fails.
    static constexpr int kReadRetries = 10;

    struct Settings {
        size_t bufferSize = 1024000;
        StreamBuffer* stream = nullptr;  // reader-stream mode when set
        bool decodeChunked = true;
        bool decodeContent = true;       // inflate in reader-stream mode
        bool headRequest = false;
    };

    enum class End {
        PeerClosed,  // a read returned 0
        Complete,    // the answer is whole while the connection is still open
        Aborted,
        TimedOut,
        Failed,      // see GetStateCode / GetErrorText
    };

    explicit ResponseReceiver(const Settings& settings);

    // Called with the number of body bytes each time some arrive (before inflation).
    void SetProgress(std::function<void(size_t)> progress) { m_progress = std::move(progress); }

    End Run(net::I_ByteStream& stream, const net::Deadline& deadline, const std::function<bool()>& isAbort,
            I_HttpType::tag_HttpStatus* status);

    // A state code of the connection table for Failed / Aborted / TimedOut, or -1 when
    // GetErrorText holds a text of its own (a decoder failure).
    int GetStateCode() const { return m_stateCode; }
    const C_String& GetErrorText() const { return m_errorText; }

    bool ReceivedAny() const { return m_receivedAny; }
    bool HeaderComplete() const { return m_headerLength > 0; }
    size_t GetHeaderLength() const { return m_headerLength; }
    bool IsChunked() const { return m_chunked; }
    bool SawLastChunk() const { return m_chunks.SawLastChunk(); }
    // Reader-stream mode: the encoded body ended before the end of its stream.
    bool DecodingCutShort() const { return m_inflater && !m_inflater->IsFinished(); }
    // Body bytes of this answer after chunk removal (the encoded size when encoded).
    int64_t GetBodyBytes() const { return m_bodyBytes; }

    // Whole-body mode: the body's place in the buffer (the whole data when no header end came).
    size_t GetBodyOffset() const { return m_headerLength; }
    size_t GetBodySize() const { return m_headerLength == 0 ? m_used : m_bodyEnd - m_headerLength; }
    const char* GetBuffer() const { return m_buffer.get(); }
    platform::MemoryBlock TakeBuffer() { return std::move(m_buffer); }

private:
    bool process(I_HttpType::tag_HttpStatus* status);
    // How many bytes the next read may take, with the buffer grown to hold them; 0 when the
    // memory cannot be had.
    size_t prepareRead();
    bool reserve(size_t bytes);
    // A plain body with a length: the bytes of it neither taken nor in the buffer yet.
    uint64_t bodyLeft() const;
    // Reader-stream mode, a plain body: the socket is read into the stream buffer itself.
    bool readsStraightIntoStream() const;
    long readIntoStream(net::I_ByteStream& stream);
    bool findHeader(I_HttpType::tag_HttpStatus* status);
    // The steps of one pass over new bytes: the body part of them (chunks decoded in place, or
    // up to Content-Length), then in reader-stream mode the hand-over of the decoded bytes.
    size_t decodeChunks();
    size_t takePlainBody();
    bool handOn();
    bool deliver(const char* data, size_t size);
    End fail(int code, const char* text = nullptr);
    bool waitReadable(net::I_ByteStream& stream, const net::Deadline& deadline, const std::function<bool()>& isAbort,
                      int ms);

    Settings m_settings;
    std::function<void(size_t)> m_progress;
    platform::MemoryBlock m_buffer;
    size_t m_capacity = 0;    // the limit of header and body in the buffer
    size_t m_used = 0;        // bytes in the buffer
    size_t m_scanned = 0;     // how far the header end has been searched for
    size_t m_headerLength = 0;
    size_t m_bodyEnd = 0;     // end of the decoded body bytes in the buffer
    bool m_receivedAny = false;
    bool m_chunked = false;
    bool m_noBody = false;
    bool m_complete = false;
    int64_t m_expected = -1;  // Content-Length
    int64_t m_bodyBytes = 0;
    ChunkDecoder m_chunks;
    std::unique_ptr<Inflater> m_inflater;
    std::function<bool()> m_stopTest;
    bool m_stopped = false;  // a delivery gave up waiting for the reader
    int m_stateCode = 0;
    C_String m_errorText;
};

}  // namespace qarvo::http
