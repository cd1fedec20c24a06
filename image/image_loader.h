// Lays an image out in memory the way the runtime runs it: every segment of
// the chain gets its memory size in one block (zeros where it stores nothing),
// and every relocation entry is applied.
//
// Relocated words are 32 bits wide, and on x86-64 an address is not, so a
// relocated word holds a place *inside the block*: kinds 1, 2 and 3 add
// `module` plus the offset of "const", "var" or "code" in the block, kind 0
// adds `helperTable`. The runtime passes module 0 and turns such a word into a
// pointer by adding the block's address; the runtime's helper slots are found
// by their offset in its helper table (helperTable 0). A loader for a 32-bit
// process may pass real addresses instead. A sum that does not fit in 32 bits
// is refused, never cut.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_format.h"

namespace image {

inline constexpr uint32_t kSegmentAlignment = 16;  // of each segment inside the block

struct RelocationBases {
  uint32_t module = 0;       // added to the block offset of the segment a kind 1-3 word points into
  uint32_t helperTable = 0;  // added to a kind 0 word (a slot's offset in the helper table)
};

struct LoadedSegment {
  std::string name;
  uint32_t flags = 0;
  uint32_t offset = 0;  // inside the block, a multiple of kSegmentAlignment
  uint32_t size = 0;    // the segment's memory size
};

struct LoadedImage {
  ReadImageResult read;                 // the image's content as read
  std::vector<uint8_t> memory;          // the block
  std::vector<LoadedSegment> segments;  // all six, in chain order
  uint32_t entry = 0;                   // offset of the entry routine inside the block

  const LoadedSegment& segment(SegmentId id) const { return segments.at(static_cast<size_t>(id)); }
  std::span<const uint8_t> bytes(SegmentId id) const {
    const LoadedSegment& s = segment(id);
    return std::span<const uint8_t>(memory).subspan(s.offset, s.size);
  }
};

// The laid-out image, or nothing with the reason in `error`.
std::optional<LoadedImage> LoadImage(std::span<const uint8_t> image, const RelocationBases& bases, std::string& error);

}  // namespace image
