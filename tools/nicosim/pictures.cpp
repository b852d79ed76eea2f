#include "tools/nicosim/pictures.h"

#include "tools/nicosim/png_writer.h"
#include "tools/nicosim/seeded.h"

namespace nicosim {
namespace {

// 3x5 digit glyphs, one row per 3 bits, top row first.
constexpr uint16_t kDigitGlyphs[10] = {
    0b111101101101111, 0b010110010010111, 0b111001111100111, 0b111001111001111, 0b101101111001001,
    0b111100111001111, 0b111100111101111, 0b111001001010010, 0b111101111101111, 0b111101111001111,
};

void drawDigit(RgbImage& image, int digit, int x, int y, int scale)
{
    const uint16_t glyph = kDigitGlyphs[digit];
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col) {
            const int bit = 14 - (row * 3 + col);
            if (glyph & (1u << bit))
                image.fillRect(x + col * scale, y + row * scale, scale, scale, 255, 255, 255);
        }
    }
}

RgbImage drawPicture(uint32_t seed, std::string_view label, int width, int height, uint64_t salt)
{
    Draw draw(seededHash(seed, hashText(label), salt));
    RgbImage image(width, height);
    const int r = 40 + static_cast<int>(draw.below(160));
    const int g = 40 + static_cast<int>(draw.below(160));
    const int b = 40 + static_cast<int>(draw.below(160));
    const int stripe = 6 + static_cast<int>(draw.below(10));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool light = ((x + y) / stripe) % 2 == 0;
            const int shade = light ? 24 : 0;
            image.set(x, y, static_cast<uint8_t>(r + shade), static_cast<uint8_t>(g + shade),
                      static_cast<uint8_t>(b + shade));
        }
    }

    std::string digits;
    for (char c : label) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    if (digits.size() > 8)
        digits.resize(8);
    const int scale = 3;
    const int advance = 4 * scale;
    const int textWidth = static_cast<int>(digits.size()) * advance;
    int x = (width - textWidth) / 2;
    const int y = height - 5 * scale - 8;
    image.fillRect(x - 4, y - 4, textWidth + 4, 5 * scale + 8, 0, 0, 0);
    for (char c : digits) {
        drawDigit(image, c - '0', x, y, scale);
        x += advance;
    }
    return image;
}

} // namespace

std::string thumbnailPng(uint32_t seed, std::string_view label)
{
    return encodePng(drawPicture(seed, label, kThumbnailWidth, kThumbnailHeight, 12));
}

std::string productPicturePng(uint32_t seed, std::string_view label)
{
    // Each product's picture has a size of its own, so that a reader can tell them apart.
    long long rank = 0;
    for (char c : label)
        rank = c >= '0' && c <= '9' ? rank * 10 + (c - '0') : rank;
    const int step = static_cast<int>(rank % 16);
    return encodePng(drawPicture(seed, label, kProductPictureSize - 60 + 4 * step, kProductPictureSize - 70 + 4 * step, 13));
}

} // namespace nicosim
