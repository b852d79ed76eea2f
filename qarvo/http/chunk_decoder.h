#pragma once
// Chunked transfer coding, decoded in place: the bytes of each chunk are moved down over the
// size lines before them, so that the body becomes one contiguous run in the caller's buffer.
//
// Size lines end with CR LF or a lone LF and may carry extensions after ";". The last chunk
// (size 0) may be followed by trailer lines; the body is complete at the empty line after it.
// A malformed size line, a size too large, or a missing line end after chunk data fails, and
// the decoder stays failed.

#include <cstddef>
#include <cstdint>

namespace qarvo::http {

class ChunkDecoder {
public:
    enum class State {
        SizeLine,  // reading "hex-size[;ext]" up to its LF
        Data,      // copying the chunk's bytes
        DataEnd,   // expecting the CR LF (or LF) that closes the chunk's bytes
        Trailer,   // after the last chunk: trailer lines up to an empty line
        Done,      // the empty line after the last chunk came; later bytes are not ours
        Failed,
    };
    enum class Error { None, SizeLineTooLong, BadSize, SizeTooLarge, MissingDataEnd, TrailerTooLong };

    // A size line (or trailer line) longer than this is an attack, not a body.
    static constexpr size_t kMaxLineLength = 1024;
    // Hex digits of a chunk size; 15 keep the value far below any overflow.
    static constexpr size_t kMaxSizeDigits = 15;

    struct Step {
        size_t produced = 0;  // body bytes now at data[0, produced)
        size_t consumed = 0;  // input bytes used; data[consumed, size) is still to be fed
    };

    // Decodes data[0, size). The caller keeps data[consumed, size) (an unfinished line) and
    // feeds it again, with more bytes after it, next time.
    Step Feed(char* data, size_t size);

    State GetState() const { return m_state; }
    Error GetError() const { return m_error; }
    bool IsDone() const { return m_state == State::Done; }
    bool IsFailed() const { return m_state == State::Failed; }
    // The size-0 chunk has been read (trailers may still follow).
    bool SawLastChunk() const { return m_state == State::Trailer || m_state == State::Done; }
    int64_t GetChunkCount() const { return m_chunks; }
    void Reset() { *this = ChunkDecoder(); }

private:
    bool fail(Error e)
    {
        m_state = State::Failed;
        m_error = e;
        return false;
    }
    bool readSizeLine(const char* line, size_t length);

    State m_state = State::SizeLine;
    Error m_error = Error::None;
    uint64_t m_remaining = 0;
    int64_t m_chunks = 0;
};

}  // namespace qarvo::http
