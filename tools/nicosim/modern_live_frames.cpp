#include "tools/nicosim/modern_live_frames.h"

#include <array>

namespace nicosim {
namespace {

constexpr const char* kAcceptGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
constexpr const char* kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool knownOpcode(uint8_t op)
{
    return op == 0 || op == 1 || op == 2 || op == 8 || op == 9 || op == 10;
}

uint32_t rotl(uint32_t x, int n)
{
    return (x << n) | (x >> (32 - n));
}

// SHA-1, kept here for the handshake alone: nicosim talks to OpenSSL only in its TLS file.
std::array<uint8_t, 20> sha1(std::string_view data)
{
    uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    std::string padded(data);
    const uint64_t bits = static_cast<uint64_t>(data.size()) * 8;
    padded += static_cast<char>(0x80);
    while (padded.size() % 64 != 56)
        padded += '\0';
    for (int i = 7; i >= 0; --i)
        padded += static_cast<char>((bits >> (i * 8)) & 0xff);
    for (size_t block = 0; block < padded.size(); block += 64) {
        uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(padded.data() + block + i * 4);
            w[i] = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
        }
        for (int i = 16; i < 80; ++i)
            w[i] = rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999u;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1u;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDCu;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6u;
            }
            const uint32_t t = rotl(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotl(b, 30);
            b = a;
            a = t;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<uint8_t, 20> out{};
    for (int i = 0; i < 20; ++i)
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(h[i / 4] >> (24 - (i % 4) * 8));
    return out;
}

std::string base64(const uint8_t* data, size_t size)
{
    std::string out;
    for (size_t i = 0; i < size; i += 3) {
        const uint32_t n = (uint32_t(data[i]) << 16) | (i + 1 < size ? uint32_t(data[i + 1]) << 8 : 0) |
                           (i + 2 < size ? uint32_t(data[i + 2]) : 0);
        out += kBase64[(n >> 18) & 63];
        out += kBase64[(n >> 12) & 63];
        out += i + 1 < size ? kBase64[(n >> 6) & 63] : '=';
        out += i + 2 < size ? kBase64[n & 63] : '=';
    }
    return out;
}

} // namespace

WsParse parseClientFrame(std::string_view in, WsFrame& frame, size_t& used, size_t maxPayload)
{
    used = 0;
    // The two fixed bytes: flags and opcode, mask bit and the short length.
    if (in.size() < 2)
        return WsParse::NeedMore;
    const auto b0 = static_cast<uint8_t>(in[0]);
    const auto b1 = static_cast<uint8_t>(in[1]);
    const uint8_t opcode = b0 & 0x0f;
    if ((b0 & 0x70) != 0 || !knownOpcode(opcode))
        return WsParse::Reserved;
    if ((b1 & 0x80) == 0)
        return WsParse::Unmasked;
    const bool fin = (b0 & 0x80) != 0;
    const bool control = (opcode & 0x08) != 0;
    uint64_t length = b1 & 0x7f;
    if (control && (!fin || length > kMaxControlPayload))
        return WsParse::BadControl;

    // The extended length, then the mask key.
    size_t at = 2;
    if (length >= 126) {
        const size_t bytes = length == 126 ? 2 : 8;
        if (in.size() - at < bytes)
            return WsParse::NeedMore;
        length = 0;
        for (size_t i = 0; i < bytes; ++i)
            length = (length << 8) | static_cast<uint8_t>(in[at + i]);
        at += bytes;
        if (bytes == 8 && (length >> 63) != 0)
            return WsParse::TooLarge;
    }
    if (length > maxPayload)
        return WsParse::TooLarge;
    if (in.size() - at < 4)
        return WsParse::NeedMore;
    const unsigned char* mask = reinterpret_cast<const unsigned char*>(in.data() + at);
    at += 4;

    // The payload, whole.
    if (in.size() - at < length)
        return WsParse::NeedMore;
    frame.fin = fin;
    frame.opcode = opcode;
    frame.payload.assign(in.data() + at, static_cast<size_t>(length));
    for (size_t i = 0; i < frame.payload.size(); ++i)
        frame.payload[i] = static_cast<char>(static_cast<unsigned char>(frame.payload[i]) ^ mask[i % 4]);
    used = at + static_cast<size_t>(length);
    return WsParse::Frame;
}

std::string serverFrame(WsOpcode opcode, std::string_view payload)
{
    std::string out;
    out += static_cast<char>(0x80 | static_cast<uint8_t>(opcode));
    const uint64_t n = payload.size();
    if (n < 126) {
        out += static_cast<char>(n);
    } else if (n <= 0xffff) {
        out += static_cast<char>(126);
        out += static_cast<char>((n >> 8) & 0xff);
        out += static_cast<char>(n & 0xff);
    } else {
        out += static_cast<char>(127);
        for (int i = 7; i >= 0; --i)
            out += static_cast<char>((n >> (i * 8)) & 0xff);
    }
    out += payload;
    return out;
}

std::string closePayload(uint16_t code, std::string_view reason)
{
    std::string out;
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xff);
    out += reason;
    return out;
}

std::string webSocketAccept(std::string_view key)
{
    const std::array<uint8_t, 20> digest = sha1(std::string(key) + kAcceptGuid);
    return base64(digest.data(), digest.size());
}

bool validWebSocketKey(std::string_view key)
{
    // 16 bytes are 24 base64 characters, the last two "==".
    if (key.size() != 24 || key.substr(22) != "==")
        return false;
    for (size_t i = 0; i < 22; ++i) {
        const char c = key[i];
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace nicosim
