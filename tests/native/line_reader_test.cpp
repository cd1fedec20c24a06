// Splitting file contents into lines the way the program reads text files.
#include "runtime/data/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every line of `content`, read until the reader reports the end.
std::vector<std::string> LinesOf(std::string_view content) {
  rt::LineReader reader{rt::ByteSet(content)};
  std::vector<std::string> lines;
  while (!reader.AtEnd()) {
    lines.emplace_back(reader.ReadLine().view());
    if (lines.size() > content.size() + 1) break;  // a reader that never ends
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, EmptyContentIsAtEndAtOnce) {
  rt::LineReader reader{rt::ByteSet()};
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine().block(), nullptr);
  EXPECT_TRUE(reader.AtEnd());
}

TEST(LineReader, EmptyLineBetweenLinesIsAnEmptyItem) {
  EXPECT_EQ(LinesOf("keyword\r\n\r\nsecond\r\n"), (Lines{"keyword", "", "second"}));
  EXPECT_EQ(LinesOf("a\n\n\nb"), (Lines{"a", "", "", "b"}));
  EXPECT_EQ(LinesOf("\r\nx"), (Lines{"", "x"}));
}

TEST(LineReader, EachKindOfLineEndEndsOneLine) {
  EXPECT_EQ(LinesOf("one\r\ntwo\r\n"), (Lines{"one", "two"}));
  EXPECT_EQ(LinesOf("one\ntwo\n"), (Lines{"one", "two"}));
  EXPECT_EQ(LinesOf("one\rtwo\r"), (Lines{"one", "two"}));
  EXPECT_EQ(LinesOf("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  // LF CR is two line ends, CR CR LF a lone CR and then CR LF.
  EXPECT_EQ(LinesOf("a\n\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOf("a\r\r\nb"), (Lines{"a", "", "b"}));
}

TEST(LineReader, LastLineWithOrWithoutLineEnd) {
  EXPECT_EQ(LinesOf("last"), (Lines{"last"}));
  EXPECT_EQ(LinesOf("last\r\n"), (Lines{"last"}));
  EXPECT_EQ(LinesOf("last\r"), (Lines{"last"}));
  EXPECT_EQ(LinesOf("\r\n"), (Lines{""}));
  EXPECT_EQ(LinesOf("\n"), (Lines{""}));
  EXPECT_EQ(LinesOf("x\r\n\r\n"), (Lines{"x", ""}));
}

TEST(LineReader, GbkBytesAreKept) {
  const std::string gbk = "\xCA\xFD\xD1\xA7 \xA1\xA1\x81\x41\t";
  EXPECT_EQ(LinesOf(gbk + "\r\n" + gbk), (Lines{gbk, gbk}));
}

TEST(LineReader, ReadingPastTheEndGivesEmptyTexts) {
  rt::LineReader reader{rt::ByteSet(std::string_view("only\r\n"))};
  EXPECT_EQ(reader.ReadLine().view(), "only");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine().block(), nullptr);
  EXPECT_TRUE(reader.AtEnd());
}

}  // namespace
