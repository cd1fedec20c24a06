// The program's image cut short and damaged: every truncation is refused,
// every bit of the words that hold the image together matters, and random
// damage is either refused with a reason or read consistently. These tests
// also run in a build with AddressSanitizer (image_asan_tests), where any read
// outside the image's bytes fails them.
#include <gtest/gtest.h>

#include <random>
#include <span>
#include <string>
#include <vector>

#include "image/form_codec.h"
#include "image/image_format.h"
#include "image/image_loader.h"
#include "image/program_layout.h"
#include "tests/native/image_test_support.h"

namespace {

using image::SegmentId;
using image_test::PatchWord;
using image_test::WordAt;

const std::vector<uint8_t>& Good() {
  static const std::vector<uint8_t> bytes = image_test::ImageFile();
  return bytes;
}

bool Refused(std::span<const uint8_t> bytes, std::string* why = nullptr) {
  std::string error;
  const bool read = image::ReadImage(bytes, error).has_value();
  if (!read) {
    EXPECT_FALSE(error.empty());
  }
  if (why) *why = error;
  return !read;
}

// Everything a runtime would read from an image that the reader accepted.
// Each part either reads or is refused with a reason.
void ReadEverything(std::span<const uint8_t> bytes) {
  std::string error;
  const std::optional<image::LoadedImage> loaded = image::LoadImage(bytes, {}, error);
  if (!loaded) {
    EXPECT_NE(error.find("does not fit in 32 bits"), std::string::npos) << error;
    return;
  }
  const image::ProgramImage& image = loaded->read.image;
  error.clear();
  if (!image::ReadConstants(loaded->bytes(SegmentId::Const), error)) {
    EXPECT_FALSE(error.empty());
  }
  error.clear();
  auto directory =
      image::ReadRoutineDirectory(image.segment(SegmentId::Code).data, image.segment(SegmentId::Const).data, error);
  if (!directory) {
    EXPECT_FALSE(error.empty());
    return;
  }
  for (uint32_t site : image.bindings.identifiers) image::CodeWord(image.segment(SegmentId::Code).data, site);
  error.clear();
  if (!image::DecodeForm(image.segment(SegmentId::Form).data, image::HandlerNamesOf(std::move(*directory)), error)) {
    EXPECT_FALSE(error.empty());
  }
}

TEST(ImageRobustness, TheBuildsImageReadsCompletely) {
  std::string error;
  ASSERT_FALSE(Refused(Good(), &error)) << error;
  ReadEverything(Good());
}

TEST(ImageRobustness, EveryTruncationIsRefused) {
  const std::vector<uint8_t>& good = Good();
  std::vector<uint8_t> sized = good;  // the length word made to agree with the cut
  for (size_t length = 0; length < good.size(); ++length) {
    const std::span<const uint8_t> cut(good.data(), length);
    ASSERT_TRUE(Refused(cut)) << "cut to " << length << " bytes";
    if (length >= image::kHeaderSize) {
      PatchWord(sized, 0x34, static_cast<uint32_t>(length));
      std::string why;
      ASSERT_TRUE(Refused(std::span<const uint8_t>(sized.data(), length), &why))
          << "cut to " << length << " bytes, length word too";
    }
  }
}

TEST(ImageRobustness, EveryBitOfTheHeadersStructuralWordsMatters) {
  std::vector<uint8_t> bytes = Good();
  std::string error;
  const image::ImageLayout layout = image::ReadImage(bytes, error)->layout;
  std::vector<size_t> structural;
  for (size_t at = 0x00; at < 0x58; ++at) {
    if (at < 0x3C || at >= 0x40) structural.push_back(at);  // 0x3C, the entry, may point elsewhere into "code"
  }
  for (const image::SegmentHeader& header : layout.chain) {
    for (size_t at = 0; at < image::kSegmentHeaderSize; ++at) {
      if (at < 0x24 || at >= 0x28) structural.push_back(header.offset + at);  // +0x24, the memory size, may grow
    }
  }
  for (size_t at : structural) {
    for (int bit = 0; bit < 8; ++bit) {
      bytes[at] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_TRUE(Refused(bytes)) << "byte " << std::hex << at << " bit " << bit;
      bytes[at] ^= static_cast<uint8_t>(1 << bit);
    }
  }
}

TEST(ImageRobustness, EveryBitOfTheWindowDefinitionsIndexMatters) {
  std::string error;
  const image::ProgramImage image = image::ReadImage(Good(), error)->image;
  auto directory =
      image::ReadRoutineDirectory(image.segment(SegmentId::Code).data, image.segment(SegmentId::Const).data, error);
  ASSERT_TRUE(directory) << error;
  const image::HandlerName names = image::HandlerNamesOf(*directory);
  std::vector<uint8_t> form = image.segment(SegmentId::Form).data;
  ASSERT_NE(image::DecodeForm(form, names, error), nullptr) << error;
  const size_t indexEnd = 0x24 + 8 * WordAt(form, 0x1C);
  for (size_t at = 0; at < indexEnd; ++at) {
    if (at >= 0x08 && at < 0x14) continue;  // three words with no meaning
    for (int bit = 0; bit < 8; ++bit) {
      form[at] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_EQ(image::DecodeForm(form, names, error), nullptr) << "byte " << std::hex << at << " bit " << bit;
      form[at] ^= static_cast<uint8_t>(1 << bit);
    }
  }
}

TEST(ImageRobustness, RandomDamageIsRefusedOrReadConsistently) {
  const std::vector<uint8_t>& good = Good();
  std::string error;
  const image::ImageLayout layout = image::ReadImage(good, error)->layout;
  // Most damage goes where the structure is: the header, the library table,
  // the segment headers, the start of "const" and everything after it.
  const size_t constDirectoryEnd = layout.chain[0].storedOffset + 0x300;
  const size_t formStart = layout.chain[1].offset;
  std::mt19937 random(20261208);
  int refused = 0, read = 0;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = good;
    const int changes = 1 + static_cast<int>(random() % 6);
    for (int c = 0; c < changes; ++c) {
      size_t at;
      switch (random() % 3) {
        case 0:
          at = random() % constDirectoryEnd;
          break;
        case 1:
          at = formStart + random() % (good.size() - formStart);
          break;
        default:
          at = random() % good.size();
          break;
      }
      bytes[at] = static_cast<uint8_t>(random());
    }
    if (Refused(bytes)) {
      ++refused;
    } else {
      ++read;
      ReadEverything(bytes);
    }
  }
  // Both outcomes occur, so both paths were exercised.
  EXPECT_GT(refused, 0);
  EXPECT_GT(read, 0);
}

}  // namespace
