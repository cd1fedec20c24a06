#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

uint32_t Le16(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }

bool PlausibleBmp(std::string_view head, uint64_t fileSize) {
  // File header (14 bytes), then the size of the information header and the
  // fields up to the bit depth.
  if (head.size() < 30 || fileSize < 30) return false;
  const uint32_t dataOffset = Le32(head, 10);
  const uint32_t infoSize = Le32(head, 14);
  uint32_t width, planes, depth;
  int64_t height;
  if (infoSize == 12) {  // OS/2 core header: 16-bit fields
    width = Le16(head, 18);
    height = Le16(head, 20);
    planes = Le16(head, 22);
    depth = Le16(head, 24);
  } else if (infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 || infoSize == 108 ||
             infoSize == 124) {
    width = Le32(head, 18);
    height = static_cast<int32_t>(Le32(head, 22));  // negative for top-down rows
    planes = Le16(head, 26);
    depth = Le16(head, 28);
  } else {
    return false;
  }
  const bool usualDepth = depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  return planes == 1 && usualDepth && static_cast<int32_t>(width) > 0 && height != 0 && dataOffset >= 14 + infoSize &&
         dataOffset < fileSize;
}

}  // namespace

PictureKind SniffPicture(std::string_view head, uint64_t fileSize) {
  if (head.size() > fileSize) head = head.substr(0, static_cast<size_t>(fileSize));
  // GIF: signature and version, then the 7-byte logical screen descriptor.
  if ((head.starts_with("GIF87a") || head.starts_with("GIF89a")) && fileSize >= 14) return PictureKind::kGif;
  // PNG: the 8-byte signature, and the first chunk is always IHDR.
  if (head.starts_with("\x89PNG\r\n\x1A\n") && head.size() >= 16 && head.substr(12, 4) == "IHDR" && fileSize >= 33) {
    return PictureKind::kPng;
  }
  // JPEG: start-of-image marker and the next marker's lead byte.
  if (head.starts_with("\xFF\xD8\xFF") && fileSize >= 4) return PictureKind::kJpeg;
  if (head.starts_with("BM") && PlausibleBmp(head, fileSize)) return PictureKind::kBmp;
  return PictureKind::kNone;
}

std::string PictureKindName(PictureKind kind) {
  switch (kind) {
    case PictureKind::kGif:
      return "GIF";
    case PictureKind::kPng:
      return "PNG";
    case PictureKind::kJpeg:
      return "JPEG";
    case PictureKind::kBmp:
      return "BMP";
    case PictureKind::kNone:
      break;
  }
  return Say(Msg::NotAPictureKind);
}

std::string FormatSize(PictureSize size) { return std::to_string(size.width) + "x" + std::to_string(size.height); }

PictureSize FittedSize(PictureSize size, PictureSize board) {
  if (FitsBoard(size, board) || size.width <= 0 || size.height <= 0) return size;
  // The side that overflows most sets the scale; the other side follows it.
  const bool byWidth =
      static_cast<int64_t>(board.width) * size.height <= static_cast<int64_t>(board.height) * size.width;
  const auto scaled = [](int side, int to, int from) {
    const int64_t value = (static_cast<int64_t>(side) * to + from / 2) / from;
    return static_cast<int>(value < 1 ? 1 : value);
  };
  PictureSize fitted = byWidth ? PictureSize{board.width, scaled(size.height, board.width, size.width)}
                               : PictureSize{scaled(size.width, board.height, size.height), board.height};
  if (fitted.width > board.width) fitted.width = board.width;
  if (fitted.height > board.height) fitted.height = board.height;
  return fitted;
}

}  // namespace banktool
