// The pictures the program ships: the blank answer file handed to the equation
// editor, byte for byte, and the two placeholder bitmaps of the answer page.
#include "program/pictures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

std::string Slice(std::string_view data, size_t offset, size_t length) {
  if (offset > data.size()) return "<past the end>";
  return std::string(data.substr(offset, length));
}

uint8_t ByteAt(std::string_view data, size_t offset) { return static_cast<uint8_t>(data.at(offset)); }

// --- The blank answer file -----------------------------------------------------------

class AnswerTemplate : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(file_.size(), 601u); }
  const std::string_view file_ = program::AnswerTemplate();
};

TEST_F(AnswerTemplate, IsTheSameBytesEveryTime) {
  EXPECT_EQ(program::AnswerTemplate().data(), file_.data());
  EXPECT_EQ(program::AnswerTemplate(), file_);
}

TEST_F(AnswerTemplate, GifHeaderAndPicture) {
  EXPECT_EQ(Slice(file_, 0, 6), "GIF89a");
  // Logical screen: 12 x 18, global colour table of two entries, background 0.
  EXPECT_EQ(Slice(file_, 6, 7), Bytes({0x0C, 0x00, 0x12, 0x00, 0xF0, 0x00, 0x00}));
  // Colour table: white, black.
  EXPECT_EQ(Slice(file_, 13, 6), Bytes({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}));
  // Image descriptor: at 0,0, 12 x 18, no local table, not interlaced.
  EXPECT_EQ(Slice(file_, 19, 10), Bytes({0x2C, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x12, 0x00, 0x00}));
  EXPECT_EQ(ByteAt(file_, 29), 2);  // LZW minimum code size
  EXPECT_EQ(Slice(file_, 30, 14),
            Bytes({0x0D, 0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0xA3, 0x9C, 0xB4, 0xDA, 0x8B, 0x55, 0x01}));
  EXPECT_EQ(ByteAt(file_, 44), 0);      // end of the image data
  EXPECT_EQ(ByteAt(file_, 600), 0x3B);  // trailer
}

// Decodes GIF LZW data; `ended` tells whether the end code was met.
std::vector<uint8_t> DecodeLzw(std::string_view data, int minCodeSize, bool& ended) {
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  std::vector<std::vector<uint8_t>> table;
  int codeSize = 0;
  auto reset = [&] {
    table.clear();
    for (int i = 0; i < clear; ++i) table.push_back({static_cast<uint8_t>(i)});
    table.push_back({});
    table.push_back({});
    codeSize = minCodeSize + 1;
  };
  reset();
  std::vector<uint8_t> out;
  ended = false;
  int previous = -1;
  size_t bit = 0;
  while (bit + static_cast<size_t>(codeSize) <= data.size() * 8) {
    int code = 0;
    for (int i = 0; i < codeSize; ++i, ++bit) {
      if ((static_cast<uint8_t>(data[bit / 8]) >> (bit % 8)) & 1) code |= 1 << i;
    }
    if (code == clear) {
      reset();
      previous = -1;
      continue;
    }
    if (code == end) {
      ended = true;
      break;
    }
    std::vector<uint8_t> entry;
    if (code < static_cast<int>(table.size())) {
      entry = table[static_cast<size_t>(code)];
    } else if (code == static_cast<int>(table.size()) && previous >= 0) {
      entry = table[static_cast<size_t>(previous)];
      entry.push_back(entry.front());
    } else {
      ADD_FAILURE() << "bad LZW code " << code;
      break;
    }
    out.insert(out.end(), entry.begin(), entry.end());
    if (previous >= 0 && table.size() < 4096) {
      std::vector<uint8_t> added = table[static_cast<size_t>(previous)];
      added.push_back(entry.front());
      table.push_back(added);
      if (table.size() == (size_t{1} << codeSize) && codeSize < 12) ++codeSize;
    }
    previous = code;
  }
  return out;
}

TEST_F(AnswerTemplate, EveryPixelIsWhite) {
  bool ended = false;
  const std::vector<uint8_t> pixels = DecodeLzw(Slice(file_, 31, 13), 2, ended);
  EXPECT_TRUE(ended);
  ASSERT_EQ(pixels.size(), 12u * 18u);
  for (size_t i = 0; i < pixels.size(); ++i) EXPECT_EQ(pixels[i], 0) << "pixel " << i;  // entry 0: white
}

TEST_F(AnswerTemplate, EquationExtension) {
  EXPECT_EQ(Slice(file_, 45, 14), "\x21\xFF\x0BMathType001");
  ASSERT_EQ(ByteAt(file_, 59), 0xDA);  // one sub-block of 218 bytes
  EXPECT_EQ(ByteAt(file_, 278), 0);
  const std::string payload = Slice(file_, 60, 218);

  EXPECT_EQ(payload.substr(0, 5), Bytes({0x05, 0x01, 0x00, 0x06, 0x00}));
  EXPECT_EQ(payload.substr(5, 7), std::string("DSMT6\0\0", 7));
  EXPECT_EQ(payload.substr(12, 22), std::string("\x13WinAllBasicCodePages\0", 22));
  // Font definitions: tag 0x11, an encoding number, the name up to a NUL that
  // ends right before the next record.
  const size_t fonts[] = {34, 52, 61, 75};
  const size_t nextRecord[] = {52, 61, 75, 86};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ByteAt(payload, fonts[i]), 0x11) << "font at " << fonts[i];
    EXPECT_EQ(ByteAt(payload, nextRecord[i] - 1), 0) << "font at " << fonts[i];
    const std::string name = payload.substr(fonts[i] + 2, nextRecord[i] - 1 - (fonts[i] + 2));
    EXPECT_EQ(name.find('\0'), std::string::npos) << "font at " << fonts[i];
    EXPECT_FALSE(name.empty());
  }
  EXPECT_EQ(payload.substr(86, 17), std::string("\x13WinAllCodePages\0", 17));
  EXPECT_EQ(payload.substr(103, 7), Bytes({0x11, 0x06, 0xCB, 0xCE, 0xCC, 0xE5, 0x00}));  // 宋体
  // Preferences.
  EXPECT_EQ(payload.substr(110, 5), Bytes({0x12, 0x00, 0x08, 0x21, 0x2F}));
  EXPECT_EQ(payload.substr(206, 10), Bytes({0x01, 0x00, 0x03, 0x00, 0x01, 0x00, 0x04, 0x00, 0x05, 0x00}));
  EXPECT_EQ(ByteAt(payload, 216), 0x0A);
  EXPECT_EQ(ByteAt(payload, 217), 0x00);
}

TEST_F(AnswerTemplate, MathMlExtension) {
  const std::string mathMl =
      std::string("<?xml version=\"1.0\"?>") +
      "<!-- MathType@Translator@5@5@MathML2 (namespace attr).tdl@MathML 2.0 (namespace attr)@ -->" +
      "<math display='block' xmlns='" + "http://www.w3.org/1998/Math/MathML" +
      "'><semantics><annotation encoding='MathType-MTEF'></annotation></semantics></math>" +
      "<!-- MathType@End@5@5@ -->";
  ASSERT_EQ(mathMl.size(), 282u);

  EXPECT_EQ(Slice(file_, 279, 14), "\x21\xFF\x0BMathType003");
  ASSERT_EQ(ByteAt(file_, 293), 0xFF);
  ASSERT_EQ(ByteAt(file_, 293 + 1 + 255), 0x1B);
  EXPECT_EQ(ByteAt(file_, 577), 0);
  const std::string text = Slice(file_, 294, 255) + Slice(file_, 550, 27);
  EXPECT_EQ(text, mathMl);
  for (char c : text) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "not printable ASCII: " << static_cast<int>(c);
}

TEST_F(AnswerTemplate, TrailingExtension) {
  EXPECT_EQ(Slice(file_, 578, 14), "\x21\xFF\x0BMathType002");
  EXPECT_EQ(Slice(file_, 592, 7), Bytes({0x06, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(ByteAt(file_, 599), 0);
  EXPECT_EQ(ByteAt(file_, 600), 0x3B);
}

TEST_F(AnswerTemplate, BlocksChainFromHeaderToTrailer) {
  // Walk the file as a GIF reader does: every block must end where the next begins.
  size_t at = 13 + 6;
  std::vector<std::string> extensions;
  bool sawImage = false;
  while (at < file_.size() && ByteAt(file_, at) != 0x3B) {
    const uint8_t introducer = ByteAt(file_, at);
    if (introducer == 0x2C) {
      sawImage = true;
      at += 10 + 1;  // descriptor, LZW minimum code size
    } else if (introducer == 0x21) {
      if (ByteAt(file_, at + 1) == 0xFF) extensions.push_back(Slice(file_, at + 3, 11));
      at += 2;
    } else {
      FAIL() << "unexpected byte " << static_cast<int>(introducer) << " at " << at;
    }
    while (at < file_.size() && ByteAt(file_, at) != 0) at += 1u + ByteAt(file_, at);
    ++at;  // block terminator
  }
  EXPECT_EQ(at, 600u);
  EXPECT_TRUE(sawImage);
  EXPECT_EQ(extensions, (std::vector<std::string>{"MathType001", "MathType003", "MathType002"}));
}

// --- The placeholders ------------------------------------------------------------------

uint32_t U32(std::string_view data, size_t offset) {
  uint32_t v;
  std::memcpy(&v, data.data() + offset, 4);
  return v;
}
int32_t I32(std::string_view data, size_t offset) {
  int32_t v;
  std::memcpy(&v, data.data() + offset, 4);
  return v;
}
uint16_t U16(std::string_view data, size_t offset) {
  uint16_t v;
  std::memcpy(&v, data.data() + offset, 2);
  return v;
}

void ExpectBitmap(std::string_view bmp, int32_t width, int32_t height, size_t fileSize) {
  ASSERT_EQ(bmp.size(), fileSize);
  EXPECT_EQ(Slice(bmp, 0, 2), "BM");
  EXPECT_EQ(U32(bmp, 2), fileSize);
  EXPECT_EQ(U32(bmp, 10), 54u);  // pixel data right after the two headers
  EXPECT_EQ(U32(bmp, 14), 40u);  // BITMAPINFOHEADER
  EXPECT_EQ(I32(bmp, 18), width);
  EXPECT_EQ(I32(bmp, 22), height);  // positive: rows bottom-up
  EXPECT_EQ(U16(bmp, 26), 1);
  EXPECT_EQ(U16(bmp, 28), 24);
  EXPECT_EQ(U32(bmp, 30), 0u);  // BI_RGB
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  EXPECT_EQ(54 + stride * static_cast<size_t>(height), fileSize);

  // Lettering on white: white is the most common colour, and there are others.
  size_t white = 0;
  std::set<uint32_t> colours;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = 54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
      const uint32_t colour = ByteAt(bmp, at) | ByteAt(bmp, at + 1) << 8 | ByteAt(bmp, at + 2) << 16;
      colours.insert(colour);
      if (colour == 0xFFFFFF) ++white;
    }
  }
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  EXPECT_GT(colours.size(), 1u);
  EXPECT_GT(white, pixels / 2);
  EXPECT_LT(white, pixels);
  EXPECT_EQ(ByteAt(bmp, 54), 0xFF);  // bottom-left corner is background
}

TEST(Placeholders, AnswerAreaBitmap) { ExpectBitmap(program::AnswerPlaceholder(), 144, 54, 23382); }

TEST(Placeholders, ReferenceAnswerBitmap) { ExpectBitmap(program::ReferenceAnswerPlaceholder(), 184, 76, 42006); }

TEST(Placeholders, AreDifferentPictures) {
  EXPECT_NE(program::AnswerPlaceholder(), program::ReferenceAnswerPlaceholder());
}

}  // namespace
