// The text and byte-set helpers: joins, byte order, lengths and truncation.
#include "http/helpers.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

TEST(JoinTexts, PartsOneAfterTheOther) {
  EXPECT_EQ(JoinTexts({"http://", "srv", ":8001/"}), "http://srv:8001/");
  rt::Text absent;
  EXPECT_EQ(JoinTexts({absent, "a", absent, "b"}), "ab");
  EXPECT_TRUE(JoinTexts({absent, ""}).empty());
  EXPECT_EQ(JoinTexts({"\xD6\xF7", "\xBB\xFA"}), "\xD6\xF7\xBB\xFA");
}

TEST(JoinByteSets, LayoutAndEmptyResult) {
  const rt::ByteSet a(std::string_view("ab\0c", 4));
  const rt::ByteSet none;
  const rt::ByteSet joined = JoinByteSets({a.view(), none.view(), std::string_view("\xFF", 1)});
  ASSERT_NE(joined.block(), nullptr);
  uint32_t words[2];
  std::memcpy(words, joined.block(), 8);
  EXPECT_EQ(words[0], 1u);
  EXPECT_EQ(words[1], 5u);
  EXPECT_EQ(joined.view(), std::string_view("ab\0c\xFF", 5));
  EXPECT_EQ(JoinByteSets({none.view(), none.view()}).block(), nullptr) << "nothing gives the empty byte set";
}

TEST(CompareTexts, ByteOrderUnsignedAndCaseSensitive) {
  rt::Text absent;
  EXPECT_EQ(CompareTexts("abc", "abc"), 0);
  EXPECT_EQ(CompareTexts(absent, ""), 0);
  EXPECT_EQ(CompareTexts(absent, absent), 0);
  EXPECT_EQ(CompareTexts("", "a"), -1);
  EXPECT_EQ(CompareTexts("a", absent), 1);
  EXPECT_EQ(CompareTexts("ab", "abc"), -1);
  EXPECT_EQ(CompareTexts("abd", "abc"), 1);
  EXPECT_EQ(CompareTexts("A", "a"), -1);
  EXPECT_EQ(CompareTexts("1.0", "1.00"), -1);
  // 0x80 and above sort after ASCII, as unsigned bytes.
  EXPECT_EQ(CompareTexts("\xD6", "z"), 1);
  EXPECT_EQ(CompareTexts("z", "\x81"), -1);
}

TEST(TextLength, CountsBytes) {
  EXPECT_EQ(TextLength(rt::Text()), 0u);
  EXPECT_EQ(TextLength("a=1&b=2"), 7u);
  EXPECT_EQ(TextLength("\xCA\xFD\xD1\xA7"), 4u) << "two GBK characters are four bytes";
}

TEST(TruncateToInteger, TowardZeroWhateverTheRoundingMode) {
  const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
  const int saved = std::fegetround();
  for (const int mode : modes) {
    ASSERT_EQ(std::fesetround(mode), 0);
    volatile double v;  // computed at run time, under the mode
    v = 2.7;
    EXPECT_EQ(TruncateToInteger(v), 2);
    v = -2.7;
    EXPECT_EQ(TruncateToInteger(v), -2);
    v = 2.5;
    EXPECT_EQ(TruncateToInteger(v), 2);
    v = -0.5;
    EXPECT_EQ(TruncateToInteger(v), 0);
    v = 8001.999999;
    EXPECT_EQ(TruncateToInteger(v), 8001);
    v = 4503599627370497.0;  // 2^52 + 1: no fraction left to cut
    EXPECT_EQ(TruncateToInteger(v), 4503599627370497LL);
  }
  std::fesetround(saved);
}

TEST(TruncateToInteger, ValuesOutsideTheRange) {
  EXPECT_EQ(TruncateToInteger(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(TruncateToInteger(1e300), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(TruncateToInteger(-std::numeric_limits<double>::infinity()), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(TruncateToInteger(-9223372036854775808.0), std::numeric_limits<int64_t>::min());
}

}  // namespace
