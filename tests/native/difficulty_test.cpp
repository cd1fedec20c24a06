// The difficulty coefficient's text: at most four significant digits.
#include "practice/difficulty.h"

#include <gtest/gtest.h>

namespace {

TEST(DifficultyText, AtMostFourSignificantDigitsWithoutTrailingZeros) {
  EXPECT_EQ(DifficultyText(3, 1), "0.75");
  EXPECT_EQ(DifficultyText(1, 1), "0.5");
  EXPECT_EQ(DifficultyText(5, 0), "1");
  EXPECT_EQ(DifficultyText(0, 7), "0");
  EXPECT_EQ(DifficultyText(1005, 295), "0.7731");  // 0.773076923...
  EXPECT_EQ(DifficultyText(1, 2), "0.3333");
  EXPECT_EQ(DifficultyText(2, 1), "0.6667");
  EXPECT_EQ(DifficultyText(99999, 1), "1") << "0.99999 rounds up to a whole 1";
  EXPECT_EQ(DifficultyText(1, 99999), "0.00001") << "never an exponent";
  EXPECT_EQ(DifficultyText(12, 100000), "0.00012");
}

TEST(DifficultyText, NoCoefficientBeforeAnyoneHasAnswered) { EXPECT_EQ(DifficultyText(0, 0), "暂无（还没有人答过）"); }

}  // namespace
