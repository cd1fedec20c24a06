#include "image/image_loader.h"

#include <algorithm>
#include <cstdio>

#include "image/byte_io.h"

namespace image {

std::optional<LoadedImage> LoadImage(std::span<const uint8_t> image, const RelocationBases& bases, std::string& error) {
  std::optional<ReadImageResult> read = ReadImage(image, error);
  if (!read) return std::nullopt;
  LoadedImage loaded;
  loaded.read = std::move(*read);
  const ImageLayout& layout = loaded.read.layout;

  // Each segment at the next aligned offset, with its memory size. The reader
  // has bounded every size, so the block stays far below 4 GiB.
  uint64_t end = 0;
  for (const SegmentHeader& header : layout.chain) {
    const uint64_t offset = (end + kSegmentAlignment - 1) / kSegmentAlignment * kSegmentAlignment;
    loaded.segments.push_back({header.name, header.flags, static_cast<uint32_t>(offset), header.memorySize});
    end = offset + header.memorySize;
  }
  loaded.memory.assign(end, 0);
  for (size_t i = 0; i < layout.chain.size(); ++i) {
    const SegmentHeader& header = layout.chain[i];
    if (header.storedSize == 0) continue;
    std::copy_n(image.begin() + header.storedOffset, header.storedSize,
                loaded.memory.begin() + loaded.segments[i].offset);
  }

  const auto baseOf = [&](RelocationKind kind) -> uint64_t {
    switch (kind) {
      case RelocationKind::HelperSlot:
        return bases.helperTable;
      case RelocationKind::Const:
        return uint64_t{bases.module} + loaded.segment(SegmentId::Const).offset;
      case RelocationKind::Var:
        return uint64_t{bases.module} + loaded.segment(SegmentId::Var).offset;
      case RelocationKind::Code:
        return uint64_t{bases.module} + loaded.segment(SegmentId::Code).offset;
    }
    return 0;
  };
  const std::vector<Segment>& segments = loaded.read.image.segments;  // "@reloc1" has no relocations
  for (size_t i = 0; i < segments.size(); ++i) {
    const LoadedSegment& target = loaded.segments[i];
    for (const Relocation& relocation : segments[i].relocations) {
      // The reader has checked that the word lies inside the segment's memory size.
      const size_t at = size_t{target.offset} + relocation.offset;
      const uint64_t value = uint64_t{detail::GetWord(loaded.memory.data() + at)} + baseOf(relocation.kind);
      if (value > 0xFFFFFFFF) {
        char where[96];
        std::snprintf(where, sizeof where, "the relocated word at %s+0x%X does not fit in 32 bits", target.name.c_str(),
                      relocation.offset);
        error = where;
        return std::nullopt;
      }
      for (int b = 0; b < 4; ++b) loaded.memory[at + b] = static_cast<uint8_t>(value >> (8 * b));
    }
  }
  loaded.entry = loaded.segment(SegmentId::Code).offset + loaded.read.image.entryOffset;
  return loaded;
}

}  // namespace image
