// The window's background picture: a JPEG decoded with libjpeg from memory.
#pragma once

#include <QImage>
#include <span>

namespace quorvane::ui {

// Decodes a baseline or progressive JPEG into a 24-bit RGB image. Any fault in
// the data (bad markers, truncation, corrupt entropy data, absurd size) gives
// a null image; nothing is printed and nothing crashes.
QImage decodeJpeg(std::span<const unsigned char> data);

// The embedded 695 x 410 picture, decoded once per call (null if damaged).
QImage backgroundPicture();

}  // namespace quorvane::ui
