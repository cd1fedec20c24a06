// Telling a picture file from anything else by its first bytes. The drawing
// boards of the program show GIF, PNG, JPEG and BMP files.
#pragma once

#include <cstddef>
#include <cstdint>
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

const char* PictureKindName(PictureKind kind);

}  // namespace banktool
