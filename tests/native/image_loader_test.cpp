// Laying an image out in memory: each segment at its own aligned place with
// its memory size, zeros where nothing is stored, every relocation applied
// with the bases it names, and sums that do not fit in 32 bits refused.
#include "image/image_loader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program/global_slots.h"
#include "program/pictures.h"
#include "program/program_settings.h"
#include "tools/release_build/image_build/program_image.h"
#include "image/program_layout.h"
#include "tests/native/image_test_support.h"

namespace {

using image::LoadedImage;
using image::SegmentId;
using image_test::WordAt;

uint32_t WordIn(const LoadedImage& loaded, SegmentId id, uint32_t offset) {
  return WordAt(loaded.memory, loaded.segment(id).offset + offset);
}

LoadedImage Load(const std::vector<uint8_t>& bytes, image::RelocationBases bases) {
  std::string error;
  std::optional<LoadedImage> loaded = image::LoadImage(bytes, bases, error);
  if (!loaded) throw std::runtime_error("LoadImage: " + error);
  return std::move(*loaded);
}

TEST(ImageLoader, SegmentsGetTheirMemorySizesAtAlignedPlaces) {
  const LoadedImage loaded = Load(image_test::Write(image_test::SmallImage()), {});
  const std::vector<std::pair<std::string, uint32_t>> expected = {{"const", 40}, {"form", 12}, {"help", 52},
                                                                  {"code", 64},  {"var", 96},  {"@reloc1", 32}};
  ASSERT_EQ(loaded.segments.size(), expected.size());
  uint32_t end = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    const image::LoadedSegment& s = loaded.segments[i];
    EXPECT_EQ(s.name, expected[i].first);
    EXPECT_EQ(s.size, expected[i].second) << s.name;
    EXPECT_EQ(s.offset % 16, 0u) << s.name;
    EXPECT_GE(s.offset, end) << s.name << " overlaps the segment before";
    end = s.offset + s.size;
  }
  EXPECT_EQ(loaded.memory.size(), end);
  // Stored bytes are copied; what is not stored is zero.
  const auto form = loaded.bytes(SegmentId::Form);
  EXPECT_EQ(std::string(form.begin(), form.end()), "form bytes!!");
  const auto help = loaded.bytes(SegmentId::Help);
  EXPECT_TRUE(std::all_of(help.begin(), help.end(), [](uint8_t b) { return b == 0; }));
  const auto code = loaded.bytes(SegmentId::Code);
  for (uint32_t at = 48; at < 64; ++at) {
    if (at < 56 || at >= 60) {  // 56 holds a relocated word
      EXPECT_EQ(code[at], 0) << at;
    }
  }
  EXPECT_EQ(loaded.entry, loaded.segment(SegmentId::Code).offset + 32);
  // "@reloc1" is laid out too, as stored.
  EXPECT_EQ(WordIn(loaded, SegmentId::Bindings, 0), 2u);
  EXPECT_EQ(WordIn(loaded, SegmentId::Bindings, 4), 36u);
}

TEST(ImageLoader, RelocationsAddTheBaseTheirKindNames) {
  const std::vector<uint8_t> bytes = image_test::Write(image_test::SmallImage());
  for (const image::RelocationBases bases :
       {image::RelocationBases{0, 0}, image::RelocationBases{0x00400000, 0x10000000}}) {
    SCOPED_TRACE(bases.module);
    const LoadedImage loaded = Load(bytes, bases);
    const uint32_t constAt = bases.module + loaded.segment(SegmentId::Const).offset;
    const uint32_t varAt = bases.module + loaded.segment(SegmentId::Var).offset;
    const uint32_t codeAt = bases.module + loaded.segment(SegmentId::Code).offset;
    EXPECT_EQ(WordIn(loaded, SegmentId::Code, 0), bases.helperTable + 0x14);      // kind 0: helper slot 5
    EXPECT_EQ(WordIn(loaded, SegmentId::Code, 8), constAt + image_test::kAlpha);  // kind 1
    EXPECT_EQ(WordIn(loaded, SegmentId::Code, 16), varAt + 4);                    // kind 2
    EXPECT_EQ(WordIn(loaded, SegmentId::Code, 24), codeAt + 0x20);                // kind 3
    EXPECT_EQ(WordIn(loaded, SegmentId::Code, 56), codeAt);                       // in the zero-filled tail
    EXPECT_EQ(WordIn(loaded, SegmentId::Const, 24), varAt + 0x10);                // relocations in "const"
    EXPECT_EQ(WordIn(loaded, SegmentId::Var, 8), constAt);                        // and in "var"
    // Words without a relocation are left as stored.
    EXPECT_EQ(WordIn(loaded, SegmentId::Const, 28), 0x20u);
    EXPECT_EQ(WordIn(loaded, SegmentId::Code, 32), 0u);
    // With module 0 a relocated word is an offset into the block: it leads to the bytes it names.
    if (bases.module == 0) {
      const uint32_t alpha = WordIn(loaded, SegmentId::Code, 8);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(loaded.memory.data() + alpha)), "Alpha");
    }
  }
}

TEST(ImageLoader, SumsBeyond32BitsAreRefused) {
  const std::vector<uint8_t> bytes = image_test::Write(image_test::SmallImage());
  std::string error;
  EXPECT_FALSE(image::LoadImage(bytes, {0xFFFFFFF0, 0}, error));
  EXPECT_NE(error.find("does not fit in 32 bits"), std::string::npos) << error;
  error.clear();
  EXPECT_FALSE(image::LoadImage(bytes, {0, 0xFFFFFFF0}, error));
  EXPECT_NE(error.find("code+0x0 does not fit"), std::string::npos) << error;
  // A damaged image is refused for the reason the reader gives.
  std::vector<uint8_t> damaged = bytes;
  damaged[0] = 'X';
  error.clear();
  EXPECT_FALSE(image::LoadImage(damaged, {}, error));
  EXPECT_NE(error.find("\"WJ\""), std::string::npos) << error;
}

TEST(ImageLoader, TheProgramsImage) {
  const LoadedImage loaded = Load(image_test::ImageFile(), {0, 0x1000});
  // "var" stores nothing and is the globals' size in zeros: twelve pointer-wide slots.
  const auto var = loaded.bytes(SegmentId::Var);
  EXPECT_EQ(var.size(), sizeof(program::GlobalSlots));
  EXPECT_EQ(var.size(), 12 * sizeof(void*));
  EXPECT_TRUE(std::all_of(var.begin(), var.end(), [](uint8_t b) { return b == 0; }));
  const auto help = loaded.bytes(SegmentId::Help);
  EXPECT_EQ(help.size(), 52u);
  EXPECT_TRUE(std::all_of(help.begin(), help.end(), [](uint8_t b) { return b == 0; }));
  // The code ends with the thirteen stubs, each jumping through its helper slot.
  const auto code = loaded.bytes(SegmentId::Code);
  ASSERT_GE(code.size(), 13u * 6);
  for (uint32_t slot = 0; slot < 13; ++slot) {
    const size_t stub = code.size() - (13 - slot) * 6;
    EXPECT_EQ(code[stub], 0xFF) << slot;
    EXPECT_EQ(code[stub + 1], 0x25) << slot;
    EXPECT_EQ(WordAt(loaded.memory, loaded.segment(SegmentId::Code).offset + stub + 2), 0x1000 + 4 * slot) << slot;
  }
  // The constants can be taken from the laid-out "const".
  std::string error;
  const auto constants = image::ReadConstants(loaded.bytes(SegmentId::Const), error);
  ASSERT_TRUE(constants) << error;
  ASSERT_EQ(constants->size(), 3 + program::kSettings.size());
  EXPECT_EQ((*constants)[0].name, "AnswerTemplate");
  EXPECT_EQ(std::string((*constants)[0].bytes.begin(), (*constants)[0].bytes.end()), program::AnswerTemplate());
  EXPECT_EQ(loaded.entry, loaded.segment(SegmentId::Code).offset + loaded.read.image.entryOffset);
}

}  // namespace
