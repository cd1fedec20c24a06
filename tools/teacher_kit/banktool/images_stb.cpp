// Picture sizes and fitting through stb_image, stb_image_resize and
// stb_image_write (Debian's libstb-dev). The libraries' code is compiled here,
// limited to the four kinds the drawing boards show.
#include <climits>
#include <cstdlib>
#include <memory>

#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
// Wider or taller than this is taken for a damaged header.
#define STBI_MAX_DIMENSIONS (1 << 16)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb_image_resize.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace banktool {
namespace {

std::string Reason() {
  const char* reason = stbi_failure_reason();
  return Say(Msg::PictureUndecodable, reason ? std::string(reason) : Say(Msg::UnknownFault));
}

bool TooLong(std::string_view bytes, std::string& why) {
  if (bytes.size() <= static_cast<size_t>(INT_MAX)) return false;
  why = Say(Msg::PictureFileTooLarge);
  return true;
}

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

std::optional<PictureSize> ReadPictureSize(std::string_view bytes, std::string& why) {
  if (TooLong(bytes, why)) return std::nullopt;
  PictureSize size;
  int channels = 0;
  if (!stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                             &size.width, &size.height, &channels)) {
    why = Reason();
    return std::nullopt;
  }
  return size;
}

bool FitPicture(std::string_view bytes, PictureSize board, FittedPicture& fitted, std::string& why) {
  const std::optional<PictureSize> natural = ReadPictureSize(bytes, why);
  if (!natural) return false;
  if (static_cast<int64_t>(natural->width) * natural->height > kMostPixelsToFit) {
    why = Say(Msg::PictureTooManyPixels, FormatSize(*natural), kMostPixelsToFit / (1024 * 1024));
    return false;
  }
  int width = 0, height = 0, channels = 0;
  const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()), &width,
                            &height, &channels, 0),
      stbi_image_free);
  if (!pixels) {
    why = Reason();
    return false;
  }
  const PictureSize size = FittedSize({width, height}, board);
  // Grey or RGB, each with or without alpha; the alpha channel is the last.
  const bool hasAlpha = channels == 2 || channels == 4;
  std::string scaled(static_cast<size_t>(size.width) * static_cast<size_t>(size.height) * channels, '\0');
  if (!stbir_resize_uint8_srgb(pixels.get(), width, height, 0, reinterpret_cast<unsigned char*>(scaled.data()),
                               size.width, size.height, 0, channels, hasAlpha ? channels - 1 : STBIR_ALPHA_CHANNEL_NONE,
                               0)) {
    why = Say(Msg::PictureCannotScale);
    return false;
  }
  fitted.bytes.clear();
  fitted.size = size;
  fitted.kind = SniffPicture(bytes.substr(0, kSniffBytes), bytes.size()) == PictureKind::kJpeg && !hasAlpha
                    ? PictureKind::kJpeg
                    : PictureKind::kPng;
  const bool written = fitted.kind == PictureKind::kJpeg
                           ? stbi_write_jpg_to_func(Append, &fitted.bytes, size.width, size.height, channels,
                                                    scaled.data(), kFittedJpegQuality)
                           : stbi_write_png_to_func(Append, &fitted.bytes, size.width, size.height, channels,
                                                    scaled.data(), size.width * channels);
  if (!written) {
    why = Say(Msg::PictureCannotEncode, PictureKindName(fitted.kind));
    return false;
  }
  return true;
}

}  // namespace banktool
