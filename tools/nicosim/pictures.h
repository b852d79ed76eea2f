#pragma once
// The pictures nicosim serves: video thumbnails (130x100, as the service's) and market product
// pictures (120x120). Each is drawn from the seed and its label, and shows the label's digits,
// so that a person can tell them apart.

#include <cstdint>
#include <string>
#include <string_view>

namespace nicosim {

constexpr int kThumbnailWidth = 130;
constexpr int kThumbnailHeight = 100;
constexpr int kProductPictureSize = 120;

std::string thumbnailPng(uint32_t seed, std::string_view label);
std::string productPicturePng(uint32_t seed, std::string_view label);

} // namespace nicosim
