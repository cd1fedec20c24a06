// Telling a picture file from anything else by its first bytes, reading its
// size and scaling it down to fit a drawing board. The drawing boards of the
// program show GIF, PNG, JPEG and BMP files at their natural size, from the
// top-left corner, and cut off what does not fit. Sizes and scaling use
// stb_image, stb_image_resize and stb_image_write (images_stb.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace banktool {

enum class PictureKind { kNone, kGif, kPng, kJpeg, kBmp };

// How many leading bytes SniffPicture looks at.
inline constexpr size_t kSniffBytes = 32;

// The kind of picture a file holds, from its first bytes (`head`, up to
// kSniffBytes of them) and its whole length. A BMP file must also have a
// plausible header: a known header size, one plane, a usual bit depth, a
// non-zero size and pixel data that starts inside the file.
PictureKind SniffPicture(std::string_view head, uint64_t fileSize);

std::string PictureKindName(PictureKind kind);

// A size in pixels.
struct PictureSize {
  int width = 0, height = 0;
  bool operator==(const PictureSize&) const = default;
};

// "785x424"
std::string FormatSize(PictureSize size);

// The picture's width and height from its header alone, without decoding the
// pixels; nothing, with the reason in `why`, when the header cannot be read
// (for a JPEG the header runs up to its frame marker, which may come after
// the embedded metadata).
std::optional<PictureSize> ReadPictureSize(std::string_view bytes, std::string& why);

// Whether a picture of `size` shows whole on a board of `board`.
inline bool FitsBoard(PictureSize size, PictureSize board) {
  return size.width <= board.width && size.height <= board.height;
}

// The largest size with the picture's proportions (each side rounded, at least
// one pixel) that fits on the board; the size itself when it fits already.
PictureSize FittedSize(PictureSize size, PictureSize board);

// Pictures with more pixels than this are not decoded for fitting: it would
// take more than a gigabyte of memory.
inline constexpr int64_t kMostPixelsToFit = 64LL * 1024 * 1024;

// JPEG quality of a fitted JPEG picture.
inline constexpr int kFittedJpegQuality = 90;

struct FittedPicture {
  std::string bytes;  // a whole picture file
  PictureSize size;
  PictureKind kind = PictureKind::kNone;
};

// Decodes the picture (a GIF's first frame), scales it down to
// FittedSize(its size, board) and encodes the result: a JPEG picture again as
// JPEG (a photograph would grow several times as PNG), every other kind as
// PNG (lossless, with transparency; stb_image_write writes no GIF). False with
// the reason in `why` when it cannot be decoded or is too large.
bool FitPicture(std::string_view bytes, PictureSize board, FittedPicture& fitted, std::string& why);

}  // namespace banktool
