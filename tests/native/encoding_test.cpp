// Conversion between the program's GBK texts and UTF-8. The expected UTF-8 is
// written as u8 literals, the expected GBK as ordinary (GBK) literals.
#include "runtime/data/encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::string ToGbk(std::string_view utf8) { return std::string(rt::Utf8ToGbk(utf8).view()); }

TEST(Encoding, ChineseTextRoundTrips) {
  const std::string gbk = "《Tessaly》之填空题练习：第一章 集合与函数，答题区";
  const std::string utf8 = U8(u8"《Tessaly》之填空题练习：第一章 集合与函数，答题区");
  ASSERT_NE(gbk, utf8);
  EXPECT_EQ(rt::GbkToUtf8(gbk), utf8);
  EXPECT_EQ(ToGbk(utf8), gbk);
  EXPECT_EQ(ToGbk(rt::GbkToUtf8(gbk)), gbk);
  // Known bytes, independent of the compiler's conversion of the literals.
  EXPECT_EQ(ToGbk("\xE6\x95\xB0\xE5\xAD\xA6"), "\xCA\xFD\xD1\xA7");  // 数学
  EXPECT_EQ(rt::GbkToUtf8("\xCA\xFD\xD1\xA7"), "\xE6\x95\xB0\xE5\xAD\xA6");
}

TEST(Encoding, LongTextRoundTrips) {
  // Longer than any one conversion buffer, with characters across its seams.
  std::string gbk;
  std::string utf8;
  for (int i = 0; i < 3000; ++i) {
    gbk += "题a";
    utf8 += U8(u8"题a");
  }
  EXPECT_EQ(rt::GbkToUtf8(gbk), utf8);
  EXPECT_EQ(ToGbk(utf8), gbk);
}

TEST(Encoding, AsciiIsUnchanged) {
  const std::string ascii = "Tessaly 1.0 x+y=3; [math.ini] ~!@#$%^&*()_{}|\"'<>?/\\\t\r\n";
  EXPECT_EQ(rt::GbkToUtf8(ascii), ascii);
  EXPECT_EQ(ToGbk(ascii), ascii);
  EXPECT_EQ(rt::GbkToUtf8(""), "");
  EXPECT_TRUE(ToGbk("").empty());
}

TEST(Encoding, CharactersGbkLacksBecomeQuestionMarks) {
  const std::string emoji = U8(u8"\U0001F600");
  const std::string hangul = U8(u8"\uD55C\uAE00");
  EXPECT_EQ(ToGbk(emoji), "?");
  EXPECT_EQ(ToGbk(U8(u8"函数") + emoji + U8(u8"图像")), "函数?图像");
  EXPECT_EQ(ToGbk("a" + emoji + emoji + "b"), "a??b");
  EXPECT_EQ(ToGbk(hangul), "??");
}

TEST(Encoding, BrokenUtf8DoesNotStopTheConversion) {
  // A cut-off sequence, a stray continuation byte, a byte never used in UTF-8.
  EXPECT_EQ(ToGbk("a\xE6\x95"), "a?");
  EXPECT_EQ(ToGbk("a\x80"
                  "b"),
            "a?b");
  EXPECT_EQ(ToGbk("\xFF\xE6\x95\xB0"), "?数");
}

TEST(Encoding, BrokenGbkDoesNotStopTheConversion) {
  // A lead byte with nothing after it.
  EXPECT_EQ(rt::GbkToUtf8("a\xB0"), "a?");
  // A lead byte followed by a byte that cannot trail: the ASCII byte survives.
  EXPECT_EQ(rt::GbkToUtf8("\xB0 a"), "? a");
  // 0xFF is never a GBK byte.
  EXPECT_EQ(rt::GbkToUtf8("\xFF\xCA\xFD\xFF"), U8(u8"?数?"));
  // A long run of bad bytes ends.
  const std::string bad(5000, '\xFF');
  EXPECT_EQ(rt::GbkToUtf8(bad), std::string(5000, '?'));
}

// The exact conversions give the same bytes where nothing is lost, and
// nothing at all where the lossy ones would put in a '?'.
TEST(Encoding, ExactConversionsRefuseWhatTheOthersReplace) {
  const std::string utf8 = U8(u8"《Tessaly》之填空题练习：第一章");
  EXPECT_EQ(rt::Utf8ToGbkExactly(utf8), ToGbk(utf8));
  EXPECT_EQ(rt::GbkToUtf8Exactly(ToGbk(utf8)), utf8);
  EXPECT_EQ(rt::Utf8ToGbkExactly(""), "");
  EXPECT_EQ(rt::GbkToUtf8Exactly(""), "");
  for (const std::string& lossy :
       {U8(u8"函数\U0001F600"), U8(u8"\uD55C"), std::string("a\xE6\x95"), std::string("\xFF")}) {
    EXPECT_FALSE(rt::Utf8ToGbkExactly(lossy)) << lossy;
  }
  for (const std::string& broken : {std::string("a\xB0"), std::string("\xB0 a"), std::string("\xCA\xFD\xFF")}) {
    EXPECT_FALSE(rt::GbkToUtf8Exactly(broken)) << broken;
  }
}

}  // namespace
