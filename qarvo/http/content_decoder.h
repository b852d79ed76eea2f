#pragma once
// gzip / deflate decoding of HTTP bodies: the library's zlib helpers and a streaming inflater
// whose output is capped, so that a small compressed answer cannot grow without limit.

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "qarvo/platform/memory_block.h"
#include "qarvo/text/memory.h"
#include "qarvo/text/string.h"

namespace qarvo::common::System {

// The most the zlib helpers decode from one input: the largest answer the library takes. A
// small compressed input cannot make them grow past it.
inline constexpr int kZlibOutputCap = 256 * 1024 * 1024;

// One-shot decode of zlib-format data, appended to `out` from its start. The decoded size, or
// -1 with "zlib error: %d: %s" (or a heap text, or the cap's text) in *error.
int zlib_inflate(C_Memory* out, const void* in, int size, C_String* error = nullptr);
// Streaming decoders: an opaque handle for zlib_parts_inflate, released by zlib_parts_exit.
// The two-argument form takes zlib's window-bits value; 47 accepts gzip and zlib headers.
void* zlib_parts_init(C_String* error = nullptr);
void* zlib_parts_init2(C_String* error, int windowBits = 47);
// Decodes one piece into `out` from its start; the bytes produced by this piece, or -1.
int zlib_parts_inflate(void* handle, C_Memory* out, const void* piece, int size, C_String* error = nullptr);
void zlib_parts_exit(void* handle);
C_String zlib_getversion(C_String* error = nullptr);

}  // namespace qarvo::common::System

namespace qarvo::http {

// The error text of an encoded body that ends before the end of its stream.
inline constexpr const char* kCutShortText = "the encoded body ends before the end of its stream";

// Which decoder a Content-Encoding value asks for.
enum class ContentCoding { Identity, Gzip, Deflate };
// "identity" (or nothing) -> none; any value holding "gzip" -> gzip; any other -> deflate.
ContentCoding contentCodingOf(const C_String& headerValue);

class Inflater {
public:
    // Receives decoded output in pieces; returns false to stop (the output cap is reached).
    using Sink = std::function<bool(const char* data, size_t size)>;

    explicit Inflater(ContentCoding coding);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Decodes one piece of the encoded body. False on a decoding error or when the sink
    // refused more; the error text says which. Bytes after the end of the stream are ignored.
    bool Feed(const void* data, size_t size, const Sink& sink);
    bool IsFinished() const { return m_finished; }
    const C_String& GetError() const { return m_error; }

private:
    struct Stream;
    bool restartRaw();

    // A raw-deflate retry replays at most this much; a zlib header is judged long before.
    static constexpr size_t kMaxReplay = 64 * 1024;

    std::unique_ptr<Stream> m_stream;
    std::string m_replay;
    ContentCoding m_coding;
    bool m_finished = false;
    bool m_producedAny = false;
    bool m_triedRaw = false;
    C_String m_error;
};

// Decodes a whole body into one block of `cap` bytes (only the pages written cost memory), so
// that the peak is the encoded body plus the decoded one, never a growing copy. At most `cap`
// decoded bytes are accepted: a body that decodes to more fails with an error text instead of
// growing without limit.
bool decodeBody(ContentCoding coding, const char* data, size_t size, size_t cap, platform::MemoryBlock* out,
                size_t* outSize, C_String* error);

}  // namespace qarvo::http
