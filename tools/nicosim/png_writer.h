#pragma once
// A minimal PNG encoder: 8-bit RGB, no interlace, filter 0 on every row, one IDAT chunk.

#include <cstdint>
#include <string>
#include <vector>

namespace nicosim {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width * height * 3 bytes, rows top to bottom

    RgbImage(int w, int h);
    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b);
    void fillRect(int x, int y, int w, int h, uint8_t r, uint8_t g, uint8_t b);
};

// The PNG file bytes; empty when the image is empty or compression fails.
std::string encodePng(const RgbImage& image);

} // namespace nicosim
