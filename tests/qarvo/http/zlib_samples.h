#pragma once
// Compressed samples made with zlib's own compressor (independent of the decoder under test).

#include <zlib.h>

#include <stdexcept>
#include <string>

namespace qarvo::test {

// windowBits 31: gzip wrapper; 15: zlib wrapper; -15: raw deflate.
inline std::string compressWith(const std::string& data, int windowBits)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

inline std::string gzipOf(const std::string& data) { return compressWith(data, 31); }
inline std::string zlibOf(const std::string& data) { return compressWith(data, 15); }
inline std::string rawDeflateOf(const std::string& data) { return compressWith(data, -15); }

// `size` zero bytes compressed, made piece by piece so that they are never held whole: a small
// input that inflates to more than any cap.
inline std::string bombOf(size_t size, int windowBits)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    const std::string zeros(1 << 20, '\0');
    std::string out;
    char piece[65536];
    for (size_t left = size; left > 0 || z.avail_in > 0;) {
        const size_t n = left < zeros.size() ? left : zeros.size();
        left -= n;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = reinterpret_cast<Bytef*>(piece);
            z.avail_out = sizeof piece;
            deflate(&z, left == 0 ? Z_FINISH : Z_NO_FLUSH);
            out.append(piece, sizeof piece - z.avail_out);
        } while (z.avail_out == 0);
        if (left == 0)
            break;
    }
    deflateEnd(&z);
    return out;
}

inline std::string sampleText(size_t size)
{
    std::string s;
    for (size_t i = 0; s.size() < size; ++i)
        s += "comment " + std::to_string(i * 7919 % 1000) + " flows by; ";
    s.resize(size);
    return s;
}

}  // namespace qarvo::test
