#include "tools/nicosim/content_coding.h"

#include <zlib.h>

namespace nicosim {
namespace {

// windowBits 15 makes a zlib stream; 15 + 16 a gzip member.
std::string compressWith(std::string_view data, int windowBits)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    const size_t produced = stream.total_out;
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        return {};
    out.resize(produced);
    return out;
}

} // namespace

std::string gzipBytes(std::string_view data)
{
    return compressWith(data, 15 + 16);
}

std::string deflateBytes(std::string_view data)
{
    return compressWith(data, 15);
}

} // namespace nicosim
