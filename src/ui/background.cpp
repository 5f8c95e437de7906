#include "ui/background.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

#include "ui/assets.h"

namespace quorvane::ui {
namespace {

// Larger pictures are refused instead of decoded (guards against a damaged
// header that claims an enormous size).
constexpr JDIMENSION kMaxSide = 8192;

// libjpeg reports errors through this manager: a fatal error jumps back to
// decodeInto, a warning (corrupt data that libjpeg would paper over) is
// counted so that the damaged picture is refused too.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void onFatal(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;  // never printed
}

void onOutput(j_common_ptr) {}

// Everything between setjmp and a longjmp back to it lives in memory that
// libjpeg or the caller owns, so nothing with a destructor is skipped and no
// local of this frame changes after setjmp.
bool decodeInto(std::span<const unsigned char> data, QImage* image) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = onFatal;
  errors.base.emit_message = onMessage;
  errors.base.output_message = onOutput;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width == 0 ||
      info.image_height == 0 || info.image_width > kMaxSide || info.image_height > kMaxSide) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  *image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                  QImage::Format_RGB888);
  if (image->isNull()) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  // Rows straight into the image; QImage pads each row to 4 bytes.
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->scanLine(static_cast<int>(info.output_scanline));
    if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
  }
  const bool complete = info.output_scanline == info.output_height;
  if (complete) jpeg_finish_decompress(&info);
  const bool clean = complete && errors.base.num_warnings == 0;
  jpeg_destroy_decompress(&info);
  return clean;
}

}  // namespace

QImage decodeJpeg(std::span<const unsigned char> data) {
  if (data.empty()) return {};
  QImage image;
  if (!decodeInto(data, &image)) return {};
  return image;
}

QImage backgroundPicture() {
  return decodeJpeg(assets::backgroundJpeg());
}

}  // namespace quorvane::ui
