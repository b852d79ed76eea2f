#include "qarvo/http/content_decoder.h"

#include <zlib.h>

#include "qarvo/text/ascii.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace qarvo::common::System {
namespace {

constexpr int kWindow = 5120;

void setError(C_String* error, int code, const z_stream& z)
{
    if (error)
        *error = C_String::Stringf("zlib error: %d: %s", code, z.msg ? z.msg : "");
}

struct PartsHandle {
    z_stream z{};
    bool open = false;
    ~PartsHandle()
    {
        if (open)
            inflateEnd(&z);
    }
};

// Inflates `size` bytes with an initialised stream into `out` from `used`, growing it as the
// helpers always have (twice the input first, then by three quarters plus a window).
int inflateInto(z_stream& z, C_Memory* out, int used, const void* in, int size, C_String* error)
{
    z.next_in = static_cast<Bytef*>(const_cast<void*>(in));
    z.avail_in = static_cast<uInt>(size);
    for (;;) {
        if (out->GetSize() - used < kWindow) {
            if (used >= kZlibOutputCap) {
                if (error)
                    *error = C_String::Stringf("zlib output is larger than %d bytes", kZlibOutputCap);
                return -1;
            }
            int64_t grown = static_cast<int64_t>(out->GetSize()) + out->GetSize() * 3 / 4 + kWindow;
            if (grown > static_cast<int64_t>(kZlibOutputCap) + kWindow)
                grown = static_cast<int64_t>(kZlibOutputCap) + kWindow;
            if (!out->ReCreateBuffer(static_cast<int>(grown))) {
                if (error)
                    *error = C_String::Stringf("zlib heap alloc error %lld byte", static_cast<long long>(grown));
                return -1;
            }
        }
        z.next_out = out->GetMemory() + used;
        z.avail_out = static_cast<uInt>(kWindow);
        const int r = inflate(&z, Z_SYNC_FLUSH);
        used += kWindow - static_cast<int>(z.avail_out);
        if (used > kZlibOutputCap) {
            if (error)
                *error = C_String::Stringf("zlib output is larger than %d bytes", kZlibOutputCap);
            return -1;
        }
        if (r == Z_STREAM_END)
            return used;
        if (r == Z_BUF_ERROR && z.avail_in == 0)
            return used;  // everything given was used; more input would be needed
        if (r != Z_OK) {
            setError(error, r, z);
            return -1;
        }
        if (z.avail_in == 0 && z.avail_out != 0)
            return used;
    }
}

}  // namespace

int zlib_inflate(C_Memory* out, const void* in, int size, C_String* error)
{
    if (error)
        error->Clear();
    if (!out || !in || size < 0)
        return -1;
    z_stream z{};
    const int init = inflateInit(&z);
    if (init != Z_OK) {
        setError(error, init, z);
        return -1;
    }
    const int64_t first = std::min<int64_t>(static_cast<int64_t>(size) * 2 + kWindow, kZlibOutputCap + kWindow);
    if (!out->CreateBuffer(static_cast<int>(first))) {
        inflateEnd(&z);
        if (error)
            *error = C_String::Stringf("zlib heap alloc error %lld byte", static_cast<long long>(first));
        return -1;
    }
    const int n = inflateInto(z, out, 0, in, size, error);
    inflateEnd(&z);
    return n;
}

void* zlib_parts_init(C_String* error)
{
    if (error)
        error->Clear();
    auto h = std::make_unique<PartsHandle>();
    const int r = inflateInit(&h->z);
    if (r != Z_OK) {
        setError(error, r, h->z);
        return nullptr;
    }
    h->open = true;
    return h.release();
}

void* zlib_parts_init2(C_String* error, int windowBits)
{
    if (error)
        error->Clear();
    auto h = std::make_unique<PartsHandle>();
    const int r = inflateInit2(&h->z, windowBits);
    if (r != Z_OK) {
        setError(error, r, h->z);
        return nullptr;
    }
    h->open = true;
    return h.release();
}

int zlib_parts_inflate(void* handle, C_Memory* out, const void* piece, int size, C_String* error)
{
    if (error)
        error->Clear();
    if (!handle || !out || !piece || size < 0)
        return -1;
    auto* h = static_cast<PartsHandle*>(handle);
    const int64_t first = std::min<int64_t>(static_cast<int64_t>(size) * 2 + kWindow, kZlibOutputCap + kWindow);
    if (out->GetSize() < first && !out->CreateBuffer(static_cast<int>(first))) {
        if (error)
            *error = C_String::Stringf("zlib heap alloc error %lld byte", static_cast<long long>(first));
        return -1;
    }
    return inflateInto(h->z, out, 0, piece, size, error);
}

void zlib_parts_exit(void* handle)
{
    std::unique_ptr<PartsHandle> owned(static_cast<PartsHandle*>(handle));
}

C_String zlib_getversion(C_String* error)
{
    if (error)
        error->Clear();
    return C_String(zlibVersion());
}

}  // namespace qarvo::common::System

namespace qarvo::http {
namespace {

constexpr size_t kOutputPiece = 64 * 1024;
// zlib's window-bits values: 15 + 32 detects gzip or zlib headers; -15 reads raw deflate.
constexpr int kAutoHeader = 47;
constexpr int kZlibHeader = 15;
constexpr int kRawDeflate = -15;

}  // namespace

ContentCoding contentCodingOf(const C_String& headerValue)
{
    C_String v = headerValue;
    v.Trim();
    if (v.IsEmpty() || text::containsNoCaseAscii(v.view(), "identity"))
        return ContentCoding::Identity;
    if (text::containsNoCaseAscii(v.view(), "gzip"))
        return ContentCoding::Gzip;
    return ContentCoding::Deflate;
}

struct Inflater::Stream {
    z_stream z{};
    bool open = false;
    explicit Stream(int windowBits) { open = inflateInit2(&z, windowBits) == Z_OK; }
    ~Stream()
    {
        if (open)
            inflateEnd(&z);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
};

Inflater::Inflater(ContentCoding coding) : m_coding(coding)
{
    m_stream = std::make_unique<Stream>(coding == ContentCoding::Gzip ? kAutoHeader : kZlibHeader);
    if (!m_stream->open)
        m_error = "zlib error: the decoder could not be started";
}

Inflater::~Inflater() = default;

// Servers disagree on what "deflate" means: zlib-wrapped (as the standard says) or raw. A
// body whose very first bytes are not a zlib header is read again as raw deflate.
bool Inflater::restartRaw()
{
    m_triedRaw = true;
    m_stream = std::make_unique<Stream>(kRawDeflate);
    return m_stream->open;
}

bool Inflater::Feed(const void* data, size_t size, const Sink& sink)
{
    if (!m_stream->open)
        return false;
    if (m_finished || size == 0)
        return true;
    // Until the first output the input is kept, so that a raw-deflate retry can replay it.
    bool replayable = m_coding == ContentCoding::Deflate && !m_producedAny && !m_triedRaw &&
                      kMaxReplay - m_replay.size() >= size;
    if (replayable)
        m_replay.append(static_cast<const char*>(data), size);
    char piece[kOutputPiece];
    const Bytef* input = static_cast<const Bytef*>(data);
    size_t left = size;
    while (left > 0 && !m_finished) {
        const uInt chunk = left > UINT_MAX ? UINT_MAX : static_cast<uInt>(left);
        z_stream& z = m_stream->z;
        z.next_in = const_cast<Bytef*>(input);
        z.avail_in = chunk;
        for (;;) {
            z.next_out = reinterpret_cast<Bytef*>(piece);
            z.avail_out = static_cast<uInt>(sizeof piece);
            const int r = inflate(&z, Z_SYNC_FLUSH);
            const size_t made = sizeof piece - z.avail_out;
            // Only a stream that has made nothing at all is read again as raw deflate.
            if (r == Z_DATA_ERROR && replayable && made == 0) {
                const std::string replay = std::move(m_replay);
                if (!restartRaw()) {
                    m_error = "zlib error: the decoder could not be started";
                    return false;
                }
                return Feed(replay.data(), replay.size(), sink);
            }
            // What zlib made before it met an error is handed on first: the bytes a caller
            // gets must not depend on where the reads split the broken stream.
            if (made > 0) {
                m_producedAny = true;
                replayable = false;
                std::string().swap(m_replay);
                if (!sink(piece, made)) {
                    m_error = "the decoded body is larger than the receive buffer allows";
                    return false;
                }
            }
            if (r != Z_OK && r != Z_STREAM_END && r != Z_BUF_ERROR) {
                m_error = C_String::Stringf("zlib error: %d: %s", r, z.msg ? z.msg : "");
                return false;
            }
            if (r == Z_STREAM_END) {
                m_finished = true;
                break;
            }
            // Output space left over means zlib has used all the input it can for now.
            if (r == Z_BUF_ERROR || z.avail_out != 0)
                break;
        }
        input += chunk;
        left -= chunk;
    }
    return true;
}

bool decodeBody(ContentCoding coding, const char* data, size_t size, size_t cap, platform::MemoryBlock* out,
                size_t* outSize, C_String* error)
{
    *outSize = 0;
    out->reset();
    platform::MemoryBlock block = platform::allocateMemoryBlock((coding == ContentCoding::Identity ? size : cap) + 1);
    if (!block) {
        if (error)
            *error = "the decoded body does not fit in memory";
        return false;
    }
    size_t used = 0;
    if (coding == ContentCoding::Identity) {
        if (size > 0)
            std::memcpy(block.get(), data, size);
        used = size;
    } else {
        Inflater inflater(coding);
        const bool ok = inflater.Feed(data, size, [&](const char* piece, size_t n) {
            if (cap - used < n)
                return false;
            std::memcpy(block.get() + used, piece, n);
            used += n;
            return true;
        });
        if (!ok) {
            if (error)
                *error = inflater.GetError();
            return false;
        }
        // A stream that stops before its end would otherwise pass for the whole body.
        if (!inflater.IsFinished()) {
            if (error)
                *error = kCutShortText;
            return false;
        }
    }
    *out = std::move(block);
    *outSize = used;
    return true;
}

}  // namespace qarvo::http
