// Helpers shared by the program image's tests: a small image with something
// in every part, words read and patched in the image's bytes, the image file
// the build writes.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/image_format.h"

namespace image_test {

inline uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t{bytes.at(at)} | uint32_t{bytes.at(at + 1)} << 8 | uint32_t{bytes.at(at + 2)} << 16 |
         uint32_t{bytes.at(at + 3)} << 24;
}

inline void PatchWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

inline std::vector<uint8_t> BytesOf(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// "const" data of the small image: the empty text at 0, "wininet.dll" at 1,
// "Alpha" at 13, "Beta" at 19, then eight bytes that kind 2 relocations in
// "const" point through.
inline constexpr uint32_t kEmptyText = 0, kWininet = 1, kAlpha = 13, kBeta = 19;

// A small image with two libraries, two declared functions, relocations of
// every kind, a code segment longer in memory than stored, and all four
// binding lists.
inline image::ProgramImage SmallImage() {
  using image::RelocationKind;
  using image::Segment;
  image::ProgramImage p;
  p.libraries = {{"krnln", "0123456789ABCDEF0123456789abcdef", 4, 6, "core"},
                 {"OrvThread", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF", 1, 1, ""}};
  p.functions = {{kEmptyText, kAlpha, "", "Alpha"}, {kWininet, kBeta, "wininet.dll", "Beta"}};
  std::string constText("\0wininet.dll\0Alpha\0Beta\0", 24);
  constText += std::string("\x10\x00\x00\x00\x20\x00\x00\x00", 8);
  p.segments.push_back(Segment{"const", image::kReadOnlyData, 40, BytesOf(constText), {{24, RelocationKind::Var}}});
  p.segments.push_back(Segment{"form", image::kReadOnlyData, 12, BytesOf("form bytes!!"), {}});
  p.segments.push_back(Segment{"help", image::kReadOnlyData, 52, std::vector<uint8_t>(52, 0), {}});
  std::vector<uint8_t> code(48, 0);
  code[0] = 0x14;   // +0: kind 0, helper slot 5 (offset 0x14 in the helper table)
  code[8] = 0x0D;   // +8: kind 1, "Alpha"
  code[16] = 0x04;  // +16: kind 2, a place in "var"
  code[24] = 0x20;  // +24: kind 3, a place in "code"
  p.segments.push_back(Segment{"code",
                               image::kCode,
                               64,  // 16 zero bytes after the stored ones
                               code,
                               {{0, RelocationKind::HelperSlot},
                                {8, RelocationKind::Const},
                                {16, RelocationKind::Var},
                                {24, RelocationKind::Code},
                                {56, RelocationKind::Code}}});
  p.segments.push_back(Segment{"var", image::kZeroedGlobals, 96, {}, {{8, RelocationKind::Const}}});
  p.entryOffset = 32;
  p.bindings = {{36, 40}, {44}, {}, {60}};
  return p;
}

inline std::vector<uint8_t> Write(const image::ProgramImage& content) {
  std::string error;
  std::optional<std::vector<uint8_t>> bytes = image::WriteImage(content, error);
  if (!bytes) throw std::runtime_error("WriteImage: " + error);
  return *bytes;
}

// The image file the build writes.
inline std::vector<uint8_t> ImageFile() {
  std::ifstream file(TESSALY_IMAGE_FILE, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " TESSALY_IMAGE_FILE);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

}  // namespace image_test
