// The pictures of assets/, embedded in the program at build time
// (embed_assets.cmake writes their definitions).
#pragma once

#include <span>

namespace quorvane::ui::assets {

std::span<const unsigned char> backgroundJpeg();  // 695 x 410, baseline JPEG
std::span<const unsigned char> icon16Png();
std::span<const unsigned char> icon32Png();
std::span<const unsigned char> icon48Png();
std::span<const unsigned char> icon64Png();
std::span<const unsigned char> icon128Png();
std::span<const unsigned char> icon256Png();

}  // namespace quorvane::ui::assets
