// The program image's writer and reader over a small image with something in
// every part: the bytes the writer lays down, the content the reader gives
// back, and the reasons the reader gives for refusing damaged images.
#include "image/image_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "tests/native/image_test_support.h"

namespace {

using image::ProgramImage;
using image::ReadImage;
using image::Relocation;
using image::RelocationKind;
using image_test::PatchWord;
using image_test::SmallImage;
using image_test::WordAt;
using image_test::Write;

std::string ReadError(const std::vector<uint8_t>& bytes) {
  std::string error;
  if (ReadImage(bytes, error)) return "(read without complaint)";
  EXPECT_FALSE(error.empty());
  return error;
}

std::string WriteError(const ProgramImage& content) {
  std::string error;
  if (image::WriteImage(content, error)) return "(written without complaint)";
  return error;
}

TEST(ImageFormat, WriteThenReadGivesTheSameContent) {
  const ProgramImage content = SmallImage();
  const std::vector<uint8_t> bytes = Write(content);
  std::string error;
  const std::optional<image::ReadImageResult> read = ReadImage(bytes, error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->image, content);
  // Field by field, so that a failure says where.
  EXPECT_EQ(read->image.libraries, content.libraries);
  EXPECT_EQ(read->image.functions, content.functions);
  ASSERT_EQ(read->image.segments.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(read->image.segments[i], content.segments[i]) << "segment " << i;
  EXPECT_EQ(read->image.entryOffset, 32u);
  EXPECT_EQ(read->image.bindings, content.bindings);
  // Written twice, the same bytes.
  EXPECT_EQ(Write(content), bytes);
}

TEST(ImageFormat, HeaderFields) {
  const std::vector<uint8_t> bytes = Write(SmallImage());
  ASSERT_GT(bytes.size(), 0xC0u);
  EXPECT_EQ(bytes[0], 'W');
  EXPECT_EQ(bytes[1], 'J');
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], 0);
  for (size_t at = 0x04; at < 0x24; at += 4) EXPECT_EQ(WordAt(bytes, at), 0u) << "word " << at;
  const std::string table = std::string("krnln\r0123456789ABCDEF0123456789abcdef\r4\r6\rcore") + '\0' +
                            "OrvThread\rFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r1\r1\r" + '\0';
  EXPECT_EQ(std::string(bytes.begin() + 0xC0, bytes.begin() + 0xC0 + table.size()), table);
  EXPECT_EQ(WordAt(bytes, 0x24), 0xC0 + table.size());  // the first segment follows the library table
  EXPECT_EQ(WordAt(bytes, 0x28), 1u);
  EXPECT_EQ(WordAt(bytes, 0x2C), 2u);
  EXPECT_EQ(WordAt(bytes, 0x30), 0u);
  EXPECT_EQ(WordAt(bytes, 0x34), bytes.size());
  EXPECT_EQ(WordAt(bytes, 0x38), 2u);
  // Function tables: DLL name offsets, then name offsets, the rest zero.
  EXPECT_EQ(WordAt(bytes, 0x58), image_test::kEmptyText);
  EXPECT_EQ(WordAt(bytes, 0x5C), image_test::kWininet);
  EXPECT_EQ(WordAt(bytes, 0x60), image_test::kAlpha);
  EXPECT_EQ(WordAt(bytes, 0x64), image_test::kBeta);
  for (size_t at = 0x68; at < 0xC0; at += 4) EXPECT_EQ(WordAt(bytes, at), 0u) << "word " << at;
  // Segment header offsets, and the entry inside the code segment's data.
  uint32_t header = WordAt(bytes, 0x24);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(WordAt(bytes, 0x40 + 4 * i), header) << "segment " << i;
    if (i == 3) {
      EXPECT_EQ(WordAt(bytes, 0x3C), WordAt(bytes, header + 0x2C) + 32);
    }
    header = WordAt(bytes, header + 4);
  }
  EXPECT_EQ(header, 0xFFFFFFFFu);

  std::array<uint8_t, image::kHeaderSize> first{};
  std::copy_n(bytes.begin(), first.size(), first.begin());
  EXPECT_EQ(image::ImageSizeFromHeader(first), bytes.size());
  std::array<uint8_t, image::kHeaderSize> other = first;
  other[0] = 'M';
  EXPECT_EQ(image::ImageSizeFromHeader(other), std::nullopt);
}

TEST(ImageFormat, EverySegmentHeader) {
  const std::vector<uint8_t> bytes = Write(SmallImage());
  struct Expected {
    std::string name;
    uint32_t flags, memory, stored;
    std::vector<uint32_t> relocations;
  };
  const std::vector<Expected> expected = {
      {"const", 1, 40, 32, {24 * 8 + 2}},
      {"form", 1, 12, 12, {}},
      {"help", 1, 52, 52, {}},
      {"code", 5, 64, 48, {0 * 8 + 0, 8 * 8 + 1, 16 * 8 + 2, 24 * 8 + 3, 56 * 8 + 3}},
      {"var", 0x13, 96, 0, {8 * 8 + 1}},
      {"@reloc1", 1, 32, 32, {}},
  };
  uint32_t at = WordAt(bytes, 0x24);
  for (size_t i = 0; i < expected.size(); ++i) {
    const Expected& e = expected[i];
    SCOPED_TRACE(e.name);
    const uint32_t length = 0x38 + 4 * static_cast<uint32_t>(e.relocations.size());
    EXPECT_EQ(WordAt(bytes, at + 0x00), length);
    EXPECT_EQ(WordAt(bytes, at + 0x08), e.flags);
    std::string name(e.name);
    name.resize(24, '\0');
    EXPECT_EQ(std::string(bytes.begin() + at + 0x0C, bytes.begin() + at + 0x24), name);
    EXPECT_EQ(WordAt(bytes, at + 0x24), e.memory);
    EXPECT_EQ(WordAt(bytes, at + 0x28), e.stored);
    EXPECT_EQ(WordAt(bytes, at + 0x2C), e.stored == 0 ? 0xFFFFFFFFu : at + length);
    EXPECT_EQ(WordAt(bytes, at + 0x30), e.relocations.size());
    EXPECT_EQ(WordAt(bytes, at + 0x34), 0u);
    for (size_t r = 0; r < e.relocations.size(); ++r) EXPECT_EQ(WordAt(bytes, at + 0x38 + 4 * r), e.relocations[r]);
    const uint32_t next = at + length + e.stored;
    EXPECT_EQ(WordAt(bytes, at + 0x04), i + 1 < expected.size() ? next : 0xFFFFFFFFu);
    if (i + 1 == expected.size()) {
      // "@reloc1": the four lists, each a count and its code offsets.
      const std::vector<uint32_t> lists = {2, 36, 40, 1, 44, 0, 1, 60};
      for (size_t w = 0; w < lists.size(); ++w) EXPECT_EQ(WordAt(bytes, at + length + 4 * w), lists[w]);
      EXPECT_EQ(next, bytes.size());
    }
    at = next;
  }
  // "help" stores its 52 zero bytes.
  std::string error;
  const auto read = ReadImage(bytes, error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->layout.chain[2].storedSize, 52u);
}

TEST(ImageFormat, RelocationWords) {
  const std::vector<std::pair<Relocation, uint32_t>> cases = {
      {{0, RelocationKind::HelperSlot}, 0},
      {{8, RelocationKind::Const}, 65},
      {{16, RelocationKind::Var}, 130},
      {{0x1EE, RelocationKind::HelperSlot}, 0xF70},
      {{0x1FFFFFFF, RelocationKind::Code}, 0xFFFFFFFB},
  };
  for (const auto& [relocation, word] : cases) {
    EXPECT_EQ(image::EncodeRelocation(relocation), word);
    EXPECT_EQ(image::DecodeRelocation(word), relocation) << word;
  }
  for (uint32_t kind = 4; kind < 8; ++kind) EXPECT_EQ(image::DecodeRelocation(0x100 + kind), std::nullopt) << kind;
}

TEST(ImageFormat, WriterRefusesWhatCannotBeReadBack) {
  const std::vector<std::pair<std::string, std::function<void(ProgramImage&)>>> cases = {
      {"at most 13", [](ProgramImage& p) { p.functions.resize(14, p.functions[0]); }},
      {"not a text inside", [](ProgramImage& p) { p.functions[0].nameOffset = 1000; }},
      {"does not read back", [](ProgramImage& p) { p.functions[1].name = "Alpha"; }},
      {"carriage return", [](ProgramImage& p) { p.libraries[0].description = "two\rlines"; }},
      {"overlaps",
       [](ProgramImage& p) {
         p.segments[3].relocations = {{0, RelocationKind::Code}, {2, RelocationKind::Code}};
       }},
      {"out of order",
       [](ProgramImage& p) {
         p.segments[3].relocations = {{8, RelocationKind::Code}, {0, RelocationKind::Code}};
       }},
      {"lies outside",
       [](ProgramImage& p) {
         p.segments[3].relocations = {{61, RelocationKind::Code}};
       }},
      {"store nothing", [](ProgramImage& p) { p.segments[4].data = {1}; }},
      {"expected \"const\"", [](ProgramImage& p) { std::swap(p.segments[0], p.segments[1]); }},
      {"flags", [](ProgramImage& p) { p.segments[3].flags = image::kReadOnlyData; }},
      {"entry routine", [](ProgramImage& p) { p.entryOffset = 48; }},
      {"outside \"code\"", [](ProgramImage& p) { p.bindings.dataTypes = {61}; }},
      {"in memory", [](ProgramImage& p) { p.segments[0].memorySize = 31; }},
      {"five segments", [](ProgramImage& p) { p.segments.pop_back(); }},
      {"larger than", [](ProgramImage& p) { p.segments[4].memorySize = image::kMaxSegmentSize + 1; }},
  };
  for (const auto& [message, damage] : cases) {
    ProgramImage content = SmallImage();
    damage(content);
    EXPECT_NE(WriteError(content).find(message), std::string::npos) << message << ": " << WriteError(content);
  }
}

// The places of the small image's parts, found by reading it.
struct Places {
  std::vector<uint8_t> bytes;
  image::ImageLayout layout;
  size_t header(size_t segment) const { return layout.chain[segment].offset; }
};

Places SmallPlaces() {
  Places places;
  places.bytes = Write(SmallImage());
  std::string error;
  places.layout = ReadImage(places.bytes, error)->layout;
  return places;
}

TEST(ImageReader, RefusesDamagedImagesSayingWhy) {
  const Places p = SmallPlaces();
  const size_t bindings = p.layout.chain[5].storedOffset;
  const std::vector<std::pair<std::string, std::function<void(std::vector<uint8_t>&)>>> cases = {
      {"\"WJ\"", [](auto& b) { b[0] = 'X'; }},
      {"header word 0x10", [](auto& b) { PatchWord(b, 0x10, 1); }},
      {"length as", [](auto& b) { PatchWord(b, 0x34, WordAt(b, 0x34) + 1); }},
      {"length as", [](auto& b) { b.pop_back(); }},
      {"after its last segment",
       [](auto& b) {
         b.push_back(0);
         PatchWord(b, 0x34, static_cast<uint32_t>(b.size()));
       }},
      {"0x28", [](auto& b) { PatchWord(b, 0x28, 2); }},
      {"0x30", [](auto& b) { PatchWord(b, 0x30, 1); }},
      {"at most 13", [](auto& b) { PatchWord(b, 0x38, 14); }},
      {"beyond the function tables", [](auto& b) { PatchWord(b, 0x38, 1); }},
      {"runs past the end of the library table", [](auto& b) { PatchWord(b, 0x2C, 3); }},
      {"after its last library", [](auto& b) { PatchWord(b, 0x2C, 1); }},
      {"hexadecimal", [](auto& b) { b[0xC0 + 6] = 'G'; }},
      {"fields", [](auto& b) { b[0xC0 + 5] = ' '; }},
      {"outside the image", [](auto& b) { PatchWord(b, 0x24, 0xBF); }},
      {"expected \"const\"", [&](auto& b) { b[p.header(0) + 0x0C + 3] = 't'; }},
      {"NUL-padded", [&](auto& b) { b[p.header(1) + 0x0C + 20] = 'x'; }},
      {"flags 0x1", [&](auto& b) { PatchWord(b, p.header(3) + 0x08, 1); }},
      {"next header", [&](auto& b) { PatchWord(b, p.header(0) + 0x04, p.header(1) + 1); }},
      {"last segment", [&](auto& b) { PatchWord(b, p.header(5) + 0x04, 0); }},
      {"data offset", [&](auto& b) { PatchWord(b, p.header(1) + 0x2C, WordAt(b, p.header(1) + 0x2C) + 1); }},
      {"stores nothing but", [&](auto& b) { PatchWord(b, p.header(4) + 0x2C, 0); }},
      {"store nothing", [&](auto& b) { PatchWord(b, p.header(4) + 0x28, 4); }},
      {"+0x34", [&](auto& b) { PatchWord(b, p.header(2) + 0x34, 7); }},
      {"relocation entries make it", [&](auto& b) { PatchWord(b, p.header(3) + 0x00, 0x38); }},
      {"more than the image holds", [&](auto& b) { PatchWord(b, p.header(3) + 0x30, 0x40000000); }},
      {"unknown kind 5", [&](auto& b) { PatchWord(b, p.header(3) + 0x38, 8 * 4 + 5); }},
      {"lies outside its 64 bytes", [&](auto& b) { PatchWord(b, p.header(3) + 0x38 + 16, 61 * 8 + 3); }},
      {"overlaps", [&](auto& b) { PatchWord(b, p.header(3) + 0x38 + 4, 2 * 8 + 1); }},
      {"more than the limit", [&](auto& b) { PatchWord(b, p.header(4) + 0x24, 0x7FFFFFFF); }},
      {"only 31 bytes in memory", [&](auto& b) { PatchWord(b, p.header(0) + 0x24, 31); }},
      {"relocation entries",
       [&](auto& b) {
         PatchWord(b, p.header(5) + 0x30, 1);
         PatchWord(b, p.header(5), 0x3C);
       }},
      {"outside \"code\"", [&](auto& b) { PatchWord(b, bindings + 4, 61); }},
      {"more than its data holds", [&](auto& b) { PatchWord(b, bindings, 9); }},
      {"after its four lists", [&](auto& b) { PatchWord(b, bindings + 24, 0); }},
      {"entry routine", [](auto& b) { PatchWord(b, 0x3C, 0); }},
      {"its name at const+0x3E8", [](auto& b) { PatchWord(b, 0x60, 1000); }},
      {"its DLL name", [](auto& b) { PatchWord(b, 0x58, 40); }},
      {"header word 0x44", [](auto& b) { PatchWord(b, 0x44, WordAt(b, 0x44) + 4); }},
  };
  ASSERT_EQ(ReadError(p.bytes), "(read without complaint)");
  for (const auto& [message, damage] : cases) {
    std::vector<uint8_t> bytes = p.bytes;
    damage(bytes);
    const std::string error = ReadError(bytes);
    EXPECT_NE(error.find(message), std::string::npos) << "expected \"" << message << "\", got: " << error;
  }
}

TEST(ImageReader, ShortInputs) {
  EXPECT_NE(ReadError({}).find("shorter than the 192-byte header"), std::string::npos);
  std::vector<uint8_t> header = Write(SmallImage());
  header.resize(0xBF);
  EXPECT_NE(ReadError(header).find("shorter than the 192-byte header"), std::string::npos);
}

}  // namespace
