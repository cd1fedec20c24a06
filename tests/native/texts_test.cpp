// Text operations over GBK byte strings: searching, cutting, case, trimming,
// replacing, comparing and number conversions.
#include "runtime/data/texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

using namespace rt;

// GBK double-byte characters whose trail byte looks like an ASCII letter.
constexpr const char* kTrailUpperA = "\x81\x41";  // trail byte 'A'
constexpr const char* kTrailLowerA = "\x81\x61";  // trail byte 'a', a different character
// "数学" in GBK.
constexpr const char* kMaths = "\xCA\xFD\xD1\xA7";

TEST(FindText, PositionsCountFromOne) {
  EXPECT_EQ(FindText("abcabc", "a"), 1);
  EXPECT_EQ(FindText("abcabc", "bc"), 2);
  EXPECT_EQ(FindText("abcabc", "cab"), 3);
  EXPECT_EQ(FindText("abcabc", "abcabc"), 1);
  EXPECT_EQ(FindText("abcabc", "x"), -1);
  EXPECT_EQ(FindText("abc", "abcd"), -1);
  EXPECT_EQ(FindText("", "a"), -1);
}

TEST(FindText, SearchStartsAtTheGivenPosition) {
  EXPECT_EQ(FindText("abcabc", "bc", 2), 2);
  EXPECT_EQ(FindText("abcabc", "bc", 3), 5);
  EXPECT_EQ(FindText("abcabc", "bc", 6), -1);
  EXPECT_EQ(FindText("abcabc", "c", 6), 6);
  EXPECT_EQ(FindText("abc", "c", 4), -1);
  EXPECT_EQ(FindText("abc", "c", 1000), -1);
  // A start before the first byte searches from the first byte.
  EXPECT_EQ(FindText("abc", "a", 0), 1);
  EXPECT_EQ(FindText("abc", "a", -5), 1);
}

TEST(FindText, EmptyNeedleIsFoundAtTheStartInsideOrJustAfterTheText) {
  EXPECT_EQ(FindText("abc", ""), 1);
  EXPECT_EQ(FindText("abc", "", 3), 3);
  EXPECT_EQ(FindText("abc", "", 4), 4);
  EXPECT_EQ(FindText("abc", "", 5), -1);
  EXPECT_EQ(FindText("", ""), 1);
}

TEST(FindText, IgnoringCaseFoldsAsciiLetters) {
  EXPECT_EQ(FindText("Hello World", "WORLD"), -1);
  EXPECT_EQ(FindText("Hello World", "WORLD", 1, true), 7);
  EXPECT_EQ(FindText("Hello World", "hello", 1, true), 1);
  EXPECT_EQ(FindText("aXbx", "X", 3, true), 4);
  EXPECT_EQ(FindText(std::string(kMaths) + "ABC", "abc", 1, true), 5);
  EXPECT_EQ(FindText(std::string(kMaths) + "abc", std::string(kMaths) + "ABC", 1, true), 1);
}

TEST(FindText, IgnoringCaseLeavesDoubleByteCharactersWhole) {
  // A trail byte in 'A'-'Z' is part of a character, not a letter to lower.
  EXPECT_EQ(FindText(kTrailUpperA, kTrailLowerA, 1, true), -1);
  EXPECT_EQ(FindText(kTrailLowerA, kTrailUpperA, 1, true), -1);
  EXPECT_EQ(FindText(kTrailUpperA, kTrailUpperA, 1, true), 1);
  EXPECT_EQ(FindText(kTrailUpperA, "a", 1, true), -1);
  EXPECT_EQ(FindText(kTrailUpperA, "A", 1, true), -1);
  // A match never starts on a trail byte nor ends inside a character.
  EXPECT_EQ(FindText(kTrailLowerA, "a", 1, true), -1);
  EXPECT_EQ(FindText(kTrailLowerA, "\x81", 1, true), -1);
  // The letter after the character is still found, whatever its case.
  EXPECT_EQ(FindText(std::string(kTrailUpperA) + "A", "a", 1, true), 3);
  EXPECT_EQ(FindText(std::string(kTrailLowerA) + "a", "A", 1, true), 3);
  EXPECT_EQ(FindText(std::string(kTrailLowerA) + "a", "a", 2, true), 3);
}

TEST(CutText, LeftText) {
  EXPECT_EQ(LeftText("abcdef", 2).view(), "ab");
  EXPECT_EQ(LeftText("abcdef", 6).view(), "abcdef");
  EXPECT_EQ(LeftText("abcdef", 100).view(), "abcdef");
  EXPECT_EQ(LeftText("abcdef", 0).block(), nullptr);
  EXPECT_EQ(LeftText("abcdef", -3).block(), nullptr);
  EXPECT_EQ(LeftText("", 3).block(), nullptr);
}

TEST(CutText, RightText) {
  EXPECT_EQ(RightText("abcdef", 2).view(), "ef");
  EXPECT_EQ(RightText("abcdef", 6).view(), "abcdef");
  EXPECT_EQ(RightText("abcdef", 100).view(), "abcdef");
  EXPECT_EQ(RightText("abcdef", 0).block(), nullptr);
  EXPECT_EQ(RightText("abcdef", -1).block(), nullptr);
  EXPECT_EQ(RightText("", 2).block(), nullptr);
}

TEST(CutText, MidText) {
  EXPECT_EQ(MidText("abcdef", 2, 3).view(), "bcd");
  EXPECT_EQ(MidText("abcdef", 1, 6).view(), "abcdef");
  EXPECT_EQ(MidText("abcdef", 6, 1).view(), "f");
  EXPECT_EQ(MidText("abcdef", 5, 100).view(), "ef");
  EXPECT_EQ(MidText("abcdef", 7, 1).block(), nullptr);
  EXPECT_EQ(MidText("abcdef", 100, 1).block(), nullptr);
  EXPECT_EQ(MidText("abcdef", 0, 2).block(), nullptr);
  EXPECT_EQ(MidText("abcdef", -1, 2).block(), nullptr);
  EXPECT_EQ(MidText("abcdef", 2, 0).block(), nullptr);
  EXPECT_EQ(MidText("abcdef", 2, -4).block(), nullptr);
  EXPECT_EQ(MidText("", 1, 1).block(), nullptr);
}

TEST(TextCase, ToLowerTextLowersAsciiLettersOnly) {
  EXPECT_EQ(ToLowerText("ABC xyz 019 @[`{").view(), "abc xyz 019 @[`{");
  EXPECT_EQ(ToLowerText(std::string(kMaths) + "QED").view(), std::string(kMaths) + "qed");
  EXPECT_EQ(ToLowerText(std::string("A") + kTrailUpperA + "Z").view(), std::string("a") + kTrailUpperA + "z");
  EXPECT_EQ(ToLowerText("X\x81").view(), "x\x81");  // a lone lead byte at the end
  EXPECT_EQ(ToLowerText("").block(), nullptr);
}

TEST(TextCase, CompareIgnoringCase) {
  EXPECT_EQ(CompareIgnoringCase("abc", "ABC"), 0);
  EXPECT_EQ(CompareIgnoringCase("", ""), 0);
  EXPECT_EQ(CompareIgnoringCase(std::string(kMaths) + "X", std::string(kMaths) + "x"), 0);
  EXPECT_LT(CompareIgnoringCase("abc", "abd"), 0);
  EXPECT_GT(CompareIgnoringCase("abd", "ABC"), 0);
  // Letters are lowered before comparing: '_' (0x5F) sorts before 'a' but after 'A'.
  EXPECT_LT(CompareIgnoringCase("_", "A"), 0);
  EXPECT_LT(CompareIgnoringCase("a", "B"), 0);
  // Bytes compare unsigned: GBK bytes sort after ASCII.
  EXPECT_GT(CompareIgnoringCase(kMaths, "z"), 0);
  EXPECT_LT(CompareIgnoringCase("z", kMaths), 0);
  // A prefix sorts first.
  EXPECT_LT(CompareIgnoringCase("ab", "ABC"), 0);
  EXPECT_GT(CompareIgnoringCase("ABC", "ab"), 0);
  EXPECT_LT(CompareIgnoringCase("", "a"), 0);
  // Different characters stay different.
  EXPECT_NE(CompareIgnoringCase(kTrailUpperA, kTrailLowerA), 0);
}

TEST(TextEdit, TrimBlanks) {
  EXPECT_EQ(TrimBlanks(" \t\r\nab c\r\n \t").view(), "ab c");
  EXPECT_EQ(TrimBlanks("abc").view(), "abc");
  EXPECT_EQ(TrimBlanks(std::string("  ") + kMaths + "  ").view(), kMaths);
  EXPECT_EQ(TrimBlanks(" \r\n\t ").block(), nullptr);
  EXPECT_EQ(TrimBlanks("").block(), nullptr);
  // The GBK full-width space is a character, not a blank.
  EXPECT_EQ(TrimBlanks("\xA1\xA1x\xA1\xA1").view(), "\xA1\xA1x\xA1\xA1");
}

TEST(TextEdit, ReplaceAll) {
  EXPECT_EQ(ReplaceAll("a,b,,c", ",", ";;").view(), "a;;b;;;;c");
  EXPECT_EQ(ReplaceAll("a,b,,c", ",", "").view(), "abc");
  EXPECT_EQ(ReplaceAll("abc", "x", "y").view(), "abc");
  EXPECT_EQ(ReplaceAll("abc", "", "y").view(), "abc");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b").view(), "ba");  // left to right, no overlaps
  EXPECT_EQ(ReplaceAll("ab", "a", "aa").view(), "aab");  // replacements are not searched again
  EXPECT_EQ(ReplaceAll("line1\r\nline2\r\n", "\r\n", "|").view(), "line1|line2|");
  EXPECT_EQ(ReplaceAll(std::string(kMaths) + kMaths, kMaths, "m").view(), "mm");
  EXPECT_EQ(ReplaceAll("xx", "x", "").block(), nullptr);
}

TEST(TextEdit, Blanks) {
  EXPECT_EQ(Blanks(3).view(), "   ");
  EXPECT_EQ(Blanks(1).view(), " ");
  EXPECT_EQ(Blanks(0).block(), nullptr);
  EXPECT_EQ(Blanks(-2).block(), nullptr);
}

TEST(NumberText, IntegerToText) {
  EXPECT_EQ(IntegerToText(0).view(), "0");
  EXPECT_EQ(IntegerToText(7).view(), "7");
  EXPECT_EQ(IntegerToText(-42).view(), "-42");
  EXPECT_EQ(IntegerToText(1000000).view(), "1000000");
  EXPECT_EQ(IntegerToText(std::numeric_limits<int64_t>::max()).view(), "9223372036854775807");
  EXPECT_EQ(IntegerToText(std::numeric_limits<int64_t>::min()).view(), "-9223372036854775808");
}

TEST(NumberText, NumberToText) {
  EXPECT_EQ(NumberToText(0.75).view(), "0.75");
  EXPECT_EQ(NumberToText(1).view(), "1");
  EXPECT_EQ(NumberToText(100).view(), "100");
  EXPECT_EQ(NumberToText(-2.5).view(), "-2.5");
  EXPECT_EQ(NumberToText(0).view(), "0");
  EXPECT_EQ(NumberToText(-0.0).view(), "0");
  EXPECT_EQ(NumberToText(1.0 / 3).view(), "0.333333333333333");
  EXPECT_EQ(NumberToText(-2.0 / 3).view(), "-0.666666666666667");
  EXPECT_EQ(NumberToText(0.1 + 0.2).view(), "0.3");  // 15 significant digits hide the binary error
  EXPECT_EQ(NumberToText(1234.56789012345678).view(), "1234.56789012346");
  EXPECT_EQ(NumberToText(2147483648.0).view(), "2147483648");
  EXPECT_EQ(NumberToText(10000000000.0).view(), "10000000000");
  EXPECT_EQ(NumberToText(123456789012345.0).view(), "123456789012345");
  EXPECT_EQ(NumberToText(-98765432109876.0).view(), "-98765432109876");
}

TEST(NumberText, TextToNumberReadsTheLeadingDecimalNumber) {
  EXPECT_DOUBLE_EQ(TextToNumber("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(TextToNumber("  -3.25xyz"), -3.25);
  EXPECT_DOUBLE_EQ(TextToNumber("\t7 apples"), 7);
  EXPECT_DOUBLE_EQ(TextToNumber("+4"), 4);
  EXPECT_DOUBLE_EQ(TextToNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(TextToNumber("1."), 1);
  EXPECT_DOUBLE_EQ(TextToNumber("1e3"), 1000);
  EXPECT_DOUBLE_EQ(TextToNumber("2e"), 2);
  EXPECT_DOUBLE_EQ(TextToNumber("0012"), 12);
  EXPECT_DOUBLE_EQ(TextToNumber(std::string("36") + kMaths), 36);
}

TEST(NumberText, TextToNumberGivesZeroWithoutADecimalNumber) {
  for (const char* text : {"", "   ", "abc", "-", "+.", ".", "e5", "x12"}) {
    EXPECT_EQ(TextToNumber(text), 0.0) << text;
  }
  // Words that a C library would read as special values, and hexadecimal
  // notation, are not decimal numbers.
  for (const char* text : {"nan", "NaN", "nanometre", "inf", "Infinity", "infinite series"}) {
    EXPECT_EQ(TextToNumber(text), 0.0) << text;
  }
  EXPECT_EQ(TextToNumber("0x1A"), 0.0);
  EXPECT_EQ(TextToNumber("-0x10"), 0.0);
}

}  // namespace
