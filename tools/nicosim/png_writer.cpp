#include "tools/nicosim/png_writer.h"

#include <zlib.h>

namespace nicosim {
namespace {

void appendBigEndian32(std::string& out, uint32_t value)
{
    out += static_cast<char>((value >> 24) & 0xff);
    out += static_cast<char>((value >> 16) & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
    out += static_cast<char>(value & 0xff);
}

// length, type, data, and the CRC over type and data.
void appendChunk(std::string& out, const char type[4], const std::string& data)
{
    appendBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.append(type, 4);
    out += data;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data() + typeAt), static_cast<uInt>(data.size() + 4));
    appendBigEndian32(out, static_cast<uint32_t>(crc));
}

} // namespace

RgbImage::RgbImage(int w, int h)
    : width(w > 0 ? w : 0), height(h > 0 ? h : 0), pixels(static_cast<size_t>(width) * height * 3, 0)
{
}

void RgbImage::set(int x, int y, uint8_t r, uint8_t g, uint8_t b)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    pixels[at] = r;
    pixels[at + 1] = g;
    pixels[at + 2] = b;
}

void RgbImage::fillRect(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx)
            set(xx, yy, r, g, b);
    }
}

std::string encodePng(const RgbImage& image)
{
    if (image.width == 0 || image.height == 0)
        return {};
    const size_t rowBytes = static_cast<size_t>(image.width) * 3;
    std::string raw;
    raw.reserve((rowBytes + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        raw += '\0'; // filter type 0: the row as it is
        raw.append(reinterpret_cast<const char*>(image.pixels.data() + y * rowBytes), rowBytes);
    }

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::string header;
    appendBigEndian32(header, static_cast<uint32_t>(image.width));
    appendBigEndian32(header, static_cast<uint32_t>(image.height));
    header += '\x08'; // bit depth
    header += '\x02'; // colour type: RGB
    header += '\0';   // compression: deflate
    header += '\0';   // filter method
    header += '\0';   // no interlace

    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", std::string());
    return png;
}

} // namespace nicosim
