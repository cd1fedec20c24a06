// Choosing questions by keyword and shuffling the practice paper.
#include "practice/matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "runtime/data/random.h"

namespace {

using rt::IntArray;
using rt::Text;

bool Matches(std::string_view unit, std::initializer_list<const char*> keywords) {
  std::vector<Text> list;
  for (const char* keyword : keywords) list.emplace_back(keyword);
  return UnitMatchesKeywords(unit, list);
}

// --- Keywords --------------------------------------------------------------------

TEST(UnitMatchesKeywords, KeywordAnywhereInTheUnit) {
  EXPECT_TRUE(Matches("第一章 集合与函数", {"集合"}));
  EXPECT_TRUE(Matches("第一章 集合与函数", {"第一章"}));
  EXPECT_TRUE(Matches("第一章 集合与函数", {"函数"}));
  EXPECT_TRUE(Matches("第一章 集合与函数", {"第一章 集合与函数"}));
  EXPECT_TRUE(Matches("xxAbcxx", {"Abc"}));
  EXPECT_FALSE(Matches("第一章 集合与函数", {"数列"}));
  EXPECT_FALSE(Matches("集合", {"集合与函数"}));
  EXPECT_FALSE(Matches("", {"集合"}));
}

TEST(UnitMatchesKeywords, LetterCaseMatters) {
  EXPECT_TRUE(Matches("Abc", {"Abc"}));
  EXPECT_FALSE(Matches("Abc", {"abc"}));
  EXPECT_FALSE(Matches("abc", {"Abc"}));
  EXPECT_FALSE(Matches("ABC", {"abc"}));
  EXPECT_TRUE(Matches("ABC abc", {"abc"}));
}

TEST(UnitMatchesKeywords, AnyOfSeveralKeywords) {
  EXPECT_TRUE(Matches("三角函数", {"数列", "函数", "集合"}));
  EXPECT_TRUE(Matches("三角函数", {"数列", "不等式", "三角"}));
  EXPECT_TRUE(Matches("三角函数", {"三角", "函数"}));  // two at once still just matches
  EXPECT_FALSE(Matches("三角函数", {"数列", "不等式", "向量"}));
}

TEST(UnitMatchesKeywords, NoKeywordsMatchNothing) {
  EXPECT_FALSE(Matches("三角函数", {}));
  EXPECT_FALSE(Matches("", {}));
}

TEST(UnitMatchesKeywords, EmptyKeywordMatchesEveryUnit) {
  // The empty text occurs in every text, the empty unit included.
  EXPECT_TRUE(Matches("三角函数", {""}));
  EXPECT_TRUE(Matches("", {""}));
  EXPECT_TRUE(Matches("三角函数", {"数列", ""}));
  const std::vector<Text> defaultItem(1);  // an item never assigned
  EXPECT_TRUE(UnitMatchesKeywords("三角函数", defaultItem));
}

TEST(UnitMatchesKeywords, MatchBeginsOnACharacter) {
  // "啊阿" is B0 A1 B0 A2; the bytes A1 B0 straddle the two characters.
  const char* unit = "\xB0\xA1\xB0\xA2";
  EXPECT_FALSE(Matches(unit, {"\xA1\xB0"}));
  EXPECT_TRUE(Matches(unit, {"\xB0\xA2"}));
  EXPECT_TRUE(Matches(unit, {"\xB0\xA1"}));
  EXPECT_TRUE(Matches(std::string(unit) + "\xA1\xB0", {"\xA1\xB0"}));  // straddling first, aligned later
  EXPECT_TRUE(Matches(std::string("\xA1\xB0") + unit, {"\xA1\xB0"}));
  // A trail byte in the ASCII range is not a letter of its own.
  EXPECT_FALSE(Matches("\x81\x41", {"A"}));
  EXPECT_FALSE(Matches("\x81\x41\x81\x42", {"A\x81"}));
  EXPECT_TRUE(
      Matches("\x81\x41"
              "A",
              {"A"}));
  EXPECT_TRUE(Matches("\xB0\xA1x\xB0\xA2", {"x\xB0\xA2"}));
  // "数学" is CA FD D1 A7; FD D1 straddles the two characters.
  EXPECT_FALSE(Matches("数学", {"\xFD\xD1"}));
}

// --- Shuffle ---------------------------------------------------------------------

IntArray PaperOf(std::initializer_list<int32_t> records) {
  IntArray paper;
  paper.MakeEmpty();
  for (int32_t record : records) paper.Append(record);
  return paper;
}

std::vector<int32_t> Contents(const IntArray& paper) {
  std::vector<int32_t> out;
  for (size_t i = 1; i <= paper.size(); ++i) out.push_back(paper.at1(i));
  return out;
}

// Plays back fixed draws and records the range of each request.
class ScriptedDraws {
 public:
  explicit ScriptedDraws(std::vector<int32_t> draws) : draws_(std::move(draws)) {}
  RandomDraw AsDraw() {
    return [this](int32_t low, int32_t high) {
      ranges_.emplace_back(low, high);
      if (next_ >= draws_.size()) {
        ADD_FAILURE() << "more draws than expected";
        return low;
      }
      return draws_[next_++];
    };
  }
  const std::vector<std::pair<int32_t, int32_t>>& ranges() const { return ranges_; }

 private:
  std::vector<int32_t> draws_;
  size_t next_ = 0;
  std::vector<std::pair<int32_t, int32_t>> ranges_;
};

using Ranges = std::vector<std::pair<int32_t, int32_t>>;

TEST(ShufflePaper, SwapsEachPositionWithTheDrawnOne) {
  IntArray paper = PaperOf({5, 9, 12});
  ScriptedDraws draws({3, 3, 1});
  ShufflePaper(paper, draws.AsDraw());
  EXPECT_EQ(Contents(paper), (std::vector<int32_t>{9, 5, 12}));
  EXPECT_EQ(draws.ranges(), (Ranges{{1, 3}, {1, 3}, {1, 3}}));
}

TEST(ShufflePaper, OtherFixedDraws) {
  IntArray paper = PaperOf({1, 2, 3, 4});
  ScriptedDraws draws({1, 4, 2, 4});
  // i=1 r=1: 1 2 3 4; i=2 r=4: 1 4 3 2; i=3 r=2: 1 3 4 2; i=4 r=4: 1 3 4 2.
  ShufflePaper(paper, draws.AsDraw());
  EXPECT_EQ(Contents(paper), (std::vector<int32_t>{1, 3, 4, 2}));
  EXPECT_EQ(draws.ranges().size(), 4u);
}

TEST(ShufflePaper, OneQuestionMakesOneDrawAndStays) {
  IntArray paper = PaperOf({42});
  ScriptedDraws draws({1});
  ShufflePaper(paper, draws.AsDraw());
  EXPECT_EQ(Contents(paper), (std::vector<int32_t>{42}));
  EXPECT_EQ(draws.ranges(), (Ranges{{1, 1}}));
}

TEST(ShufflePaper, TenQuestionsMakeTenDrawsOverTheWholePaper) {
  IntArray paper = PaperOf({10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
  // Every draw 10: position 10 is swapped with each position in turn, which
  // rotates the paper right by one.
  ScriptedDraws draws(std::vector<int32_t>(10, 10));
  ShufflePaper(paper, draws.AsDraw());
  EXPECT_EQ(draws.ranges(), Ranges(10, {1, 10}));
  EXPECT_EQ(Contents(paper), (std::vector<int32_t>{100, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
}

TEST(ShufflePaper, EmptyPaperMakesNoDraw) {
  IntArray empty = PaperOf({});
  ScriptedDraws draws({});
  ShufflePaper(empty, draws.AsDraw());
  EXPECT_TRUE(draws.ranges().empty());
  EXPECT_EQ(empty.size(), 0u);

  IntArray unset;  // no block at all
  ShufflePaper(unset, draws.AsDraw());
  EXPECT_TRUE(draws.ranges().empty());
  EXPECT_EQ(unset.block(), nullptr);
}

TEST(ShufflePaper, DrawOutsideThePaperChangesNothing) {
  IntArray paper = PaperOf({5, 9, 12});
  ScriptedDraws draws({0, 4, -1});
  ShufflePaper(paper, draws.AsDraw());
  EXPECT_EQ(Contents(paper), (std::vector<int32_t>{5, 9, 12}));
  EXPECT_EQ(draws.ranges().size(), 3u);

  // Out-of-range draws are skipped one by one; the others still swap.
  IntArray mixed = PaperOf({5, 9, 12});
  ScriptedDraws some({INT32_MAX, 3, INT32_MIN});
  ShufflePaper(mixed, some.AsDraw());
  EXPECT_EQ(Contents(mixed), (std::vector<int32_t>{5, 12, 9}));
}

TEST(ShufflePaper, RandomShuffleKeepsTheRecordNumbers) {
  rt::Reseed();
  const std::vector<int32_t> original = {3, 10, 11, 17, 25, 26, 40, 41, 42, 99};
  std::vector<std::vector<bool>> seen(original.size(), std::vector<bool>(original.size(), false));
  int changed = 0;
  for (int round = 0; round < 2000; ++round) {
    IntArray paper;
    paper.MakeEmpty();
    for (int32_t record : original) paper.Append(record);
    ShufflePaper(paper, rt::RandomInRange);
    std::vector<int32_t> after = Contents(paper);
    if (after != original) ++changed;
    for (size_t position = 0; position < after.size(); ++position) {
      const auto it = std::find(original.begin(), original.end(), after[position]);
      ASSERT_NE(it, original.end()) << "a record number not on the paper: " << after[position];
      seen[position][static_cast<size_t>(it - original.begin())] = true;
    }
    std::sort(after.begin(), after.end());
    ASSERT_EQ(after, original) << "round " << round;
  }
  EXPECT_GT(changed, 1900);
  // Over 2000 shuffles every record lands in every position at least once.
  for (size_t position = 0; position < original.size(); ++position) {
    for (size_t record = 0; record < original.size(); ++record) {
      EXPECT_TRUE(seen[position][record]) << "record " << original[record] << " never at " << position + 1;
    }
  }
}

}  // namespace
