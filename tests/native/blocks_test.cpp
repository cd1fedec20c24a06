// Heap blocks of texts, byte sets and integer arrays: their layouts byte for
// byte, ownership through copies and moves, and growth of arrays.
#include "runtime/data/blocks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

namespace {

using rt::ByteSet;
using rt::IntArray;
using rt::Text;

// The 32-bit word at byte offset `offset` of a block.
uint32_t WordAt(const void* block, size_t offset) {
  uint32_t word;
  std::memcpy(&word, static_cast<const uint8_t*>(block) + offset, 4);
  return word;
}

// The bytes of a byte set block after its two header words.
std::string PayloadOf(const ByteSet& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.block()) + 8, WordAt(bytes.block(), 4));
}

void ExpectByteSetBlock(const ByteSet& bytes, std::string_view payload) {
  ASSERT_NE(bytes.block(), nullptr);
  EXPECT_EQ(WordAt(bytes.block(), 0), 1u);
  EXPECT_EQ(WordAt(bytes.block(), 4), payload.size());
  EXPECT_EQ(PayloadOf(bytes), payload);
  EXPECT_EQ(bytes.size(), payload.size());
  EXPECT_EQ(bytes.data(), bytes.block() + 8);
  EXPECT_EQ(bytes.view(), payload);
}

// The check of an array's positions is live in the Release builds the tests
// run, as in the program students get (runtime/data/invariant.h).
TEST(IntArrayDeathTest, PositionsOutsideTheArrayStopTheProgram) {
  IntArray a;
  a.Append(42);
  EXPECT_DEATH(a.at1(0), "internal check failed: position >= 1");
  EXPECT_DEATH(a.at1(2), "internal check failed: position >= 1 && position <= size\\(\\)");
  const IntArray none;
  EXPECT_DEATH(none.at1(1), "internal check failed");
}

// ---- Text

TEST(TextBlock, EmptyTextsHoldNoBlock) {
  const char* none = nullptr;
  for (const Text& t : {Text(), Text(""), Text(none), Text(std::string()), Text(std::string_view())}) {
    EXPECT_EQ(t.block(), nullptr);
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.size(), 0u);
    ASSERT_NE(t.c_str(), nullptr);
    EXPECT_STREQ(t.c_str(), "");
  }
}

TEST(TextBlock, BlockHoldsGbkBytesAndTerminatingNul) {
  const Text t("状态栏");
  ASSERT_NE(t.block(), nullptr);
  EXPECT_EQ(std::memcmp(t.block(), "\xD7\xB4\xCC\xAC\xC0\xB8\0", 7), 0);
  EXPECT_EQ(t.size(), 6u);
  EXPECT_EQ(t.c_str(), t.block());
  EXPECT_EQ(t.view(), "\xD7\xB4\xCC\xAC\xC0\xB8");
}

TEST(TextBlock, CopiesOwnSeparateBlocks) {
  Text original("abc");
  Text copy(original);
  EXPECT_NE(copy.block(), original.block());
  EXPECT_EQ(copy.view(), "abc");

  Text assigned("old value");
  assigned = original;
  EXPECT_NE(assigned.block(), original.block());
  EXPECT_EQ(assigned.view(), "abc");

  original = "changed";
  EXPECT_EQ(copy.view(), "abc");
  EXPECT_EQ(assigned.view(), "abc");

  assigned = Text();
  EXPECT_EQ(assigned.block(), nullptr);
}

TEST(TextBlock, MovesHandOverTheBlock) {
  Text source("moved");
  const char* block = source.block();
  Text target(std::move(source));
  EXPECT_EQ(target.block(), block);
  EXPECT_EQ(source.block(), nullptr);  // NOLINT: a moved-from text is empty
  EXPECT_TRUE(source.empty());

  Text other("other");
  other = std::move(target);
  EXPECT_EQ(other.block(), block);
  EXPECT_EQ(other.view(), "moved");
  EXPECT_EQ(target.block(), nullptr);  // NOLINT
}

TEST(TextBlock, SelfAssignmentKeepsTheValue) {
  Text t("same");
  Text& alias = t;
  t = alias;
  EXPECT_EQ(t.view(), "same");
  t = std::move(alias);
  EXPECT_EQ(t.view(), "same");
  // Assigning the text's own bytes reads them before the old block is released.
  t = t.c_str();
  EXPECT_EQ(t.view(), "same");
  t = t.view().substr(1, 2);
  EXPECT_EQ(t.view(), "am");
}

TEST(TextBlock, AssignCopiesAnyLengthAndItsOwnBytes) {
  Text t;
  for (const std::string_view s : {"题库中第9题符合条件", "题库中第10题不符合条件", "x", "", "again"}) {
    t.Assign(s);
    EXPECT_EQ(t.view(), s);
    EXPECT_EQ(t.block() == nullptr, s.empty());
  }
  t.Assign(t.view().substr(2));
  EXPECT_EQ(t.view(), "ain");
  t.Assign(t.view());
  EXPECT_EQ(t.view(), "ain");
}

TEST(TextBlock, FreeReleasesTheBlock) {
  Text t("to be freed");
  t.Free();
  EXPECT_EQ(t.block(), nullptr);
  EXPECT_TRUE(t.empty());
  t.Free();  // freeing an empty text is harmless
  EXPECT_EQ(t.block(), nullptr);
  t = "again";
  EXPECT_EQ(t.view(), "again");
}

// ---- ByteSet

TEST(ByteSetBlock, LayoutIsWordOneThenLengthThenBytes) {
  const ByteSet bytes("a\0\xFF\r\n", 5);
  ExpectByteSetBlock(bytes, std::string_view("a\0\xFF\r\n", 5));
  const ByteSet gbk(std::string_view("\xD7\xB4\xCC\xAC"));
  ExpectByteSetBlock(gbk, "\xD7\xB4\xCC\xAC");
}

TEST(ByteSetBlock, LengthWordHoldsLengthsBeyondSixteenBits) {
  const std::string big(70000, 'x');
  const ByteSet bytes(big);
  ExpectByteSetBlock(bytes, big);
}

TEST(ByteSetBlock, EmptyByteSetsHoldNoBlock) {
  for (const ByteSet& b : {ByteSet(), ByteSet("abc", 0), ByteSet(std::string_view()), ByteSet::Zeros(0)}) {
    EXPECT_EQ(b.block(), nullptr);
    EXPECT_EQ(b.data(), nullptr);
    EXPECT_EQ(b.size(), 0u);
    EXPECT_TRUE(b.empty());
    EXPECT_TRUE(b.view().empty());
  }
}

TEST(ByteSetBlock, ZerosGivesZeroBytes) {
  const ByteSet zeros = ByteSet::Zeros(9);
  ExpectByteSetBlock(zeros, std::string(9, '\0'));
}

TEST(ByteSetBlock, LeftTakesAtMostTheWholeSet) {
  const ByteSet bytes(std::string_view("abcdef"));
  ExpectByteSetBlock(bytes.Left(2), "ab");
  const ByteSet all = bytes.Left(100);
  ExpectByteSetBlock(all, "abcdef");
  EXPECT_NE(all.block(), bytes.block());
  EXPECT_EQ(bytes.Left(0).block(), nullptr);
  EXPECT_EQ(ByteSet().Left(5).block(), nullptr);
  ExpectByteSetBlock(bytes, "abcdef");  // the source is unchanged
}

TEST(ByteSetBlock, CopiesMovesAndSelfAssignment) {
  ByteSet original(std::string_view("xyz"));
  ByteSet copy(original);
  EXPECT_NE(copy.block(), original.block());
  ExpectByteSetBlock(copy, "xyz");

  ByteSet assigned(std::string_view("longer old content"));
  assigned = original;
  EXPECT_NE(assigned.block(), original.block());
  ExpectByteSetBlock(assigned, "xyz");
  original.data()[0] = 'Q';
  ExpectByteSetBlock(copy, "xyz");
  ExpectByteSetBlock(original, "Qyz");

  const uint8_t* block = original.block();
  ByteSet moved(std::move(original));
  EXPECT_EQ(moved.block(), block);
  EXPECT_EQ(original.block(), nullptr);  // NOLINT: a moved-from byte set is empty
  assigned = std::move(moved);
  EXPECT_EQ(assigned.block(), block);
  EXPECT_EQ(moved.block(), nullptr);  // NOLINT

  ByteSet& alias = assigned;
  assigned = alias;
  ExpectByteSetBlock(assigned, "Qyz");
  assigned = std::move(alias);
  ExpectByteSetBlock(assigned, "Qyz");
  assigned = assigned.Left(1);
  ExpectByteSetBlock(assigned, "Q");

  assigned = ByteSet();
  EXPECT_EQ(assigned.block(), nullptr);
}

TEST(ByteSetBlock, FreeReleasesTheBlock) {
  ByteSet bytes(std::string_view("data"));
  bytes.Free();
  EXPECT_EQ(bytes.block(), nullptr);
  EXPECT_EQ(bytes.size(), 0u);
  bytes.Free();
  EXPECT_EQ(bytes.block(), nullptr);
}

// ---- IntArray

void ExpectArrayHeader(const IntArray& a, int32_t size) {
  ASSERT_NE(a.block(), nullptr);
  EXPECT_EQ(a.block()[0], 1);
  EXPECT_EQ(a.block()[1], size);
  EXPECT_EQ(a.size(), static_cast<size_t>(size));
}

TEST(IntArrayBlock, NewArrayHoldsNoBlockUntilMadeEmpty) {
  IntArray a;
  EXPECT_EQ(a.block(), nullptr);
  EXPECT_EQ(a.size(), 0u);
  a.MakeEmpty();
  ExpectArrayHeader(a, 0);
}

TEST(IntArrayBlock, MakeEmptyDropsTheElements) {
  IntArray a;
  for (int32_t v : {5, 6, 7}) a.Append(v);
  ExpectArrayHeader(a, 3);
  a.MakeEmpty();
  ExpectArrayHeader(a, 0);
  a.Append(42);
  ExpectArrayHeader(a, 1);
  EXPECT_EQ(a.at1(1), 42);
}

TEST(IntArrayBlock, AppendWithoutBlockStartsTheArray) {
  IntArray a;
  a.Append(-7);
  ExpectArrayHeader(a, 1);
  EXPECT_EQ(a.block()[2], -7);
  EXPECT_EQ(a.at1(1), -7);
}

TEST(IntArrayBlock, ManyAppendsKeepEveryValueAndTheHeader) {
  constexpr int32_t kCount = 100000;
  auto valueFor = [](int32_t i) { return i * 7 - 350000; };
  IntArray a;
  a.MakeEmpty();
  for (int32_t i = 1; i <= kCount; ++i) {
    a.Append(valueFor(i));
    ASSERT_EQ(a.block()[1], i);
  }
  ExpectArrayHeader(a, kCount);
  for (int32_t i = 1; i <= kCount; ++i) {
    ASSERT_EQ(a.at1(static_cast<size_t>(i)), valueFor(i)) << "position " << i;
    ASSERT_EQ(a.block()[1 + i], valueFor(i)) << "position " << i;
  }
}

TEST(IntArrayBlock, ElementsAreWritableByPosition) {
  IntArray a;
  for (int32_t v : {1, 2, 3}) a.Append(v);
  a.at1(2) = 20;
  EXPECT_EQ(a.block()[2], 1);
  EXPECT_EQ(a.block()[3], 20);
  EXPECT_EQ(a.block()[4], 3);
}

TEST(IntArrayBlock, MovesHandOverTheBlock) {
  IntArray a;
  for (int32_t v : {10, 20}) a.Append(v);
  const int32_t* block = a.block();
  IntArray b(std::move(a));
  EXPECT_EQ(b.block(), block);
  EXPECT_EQ(a.block(), nullptr);  // NOLINT: a moved-from array holds no block

  IntArray c;
  c.MakeEmpty();
  c = std::move(b);
  EXPECT_EQ(c.block(), block);
  EXPECT_EQ(b.block(), nullptr);  // NOLINT
  ExpectArrayHeader(c, 2);
  EXPECT_EQ(c.at1(2), 20);

  IntArray& alias = c;
  c = std::move(alias);
  EXPECT_EQ(c.block(), block);
  ExpectArrayHeader(c, 2);
}

TEST(IntArrayBlock, FreeReleasesTheBlock) {
  IntArray a;
  a.Append(1);
  a.Free();
  EXPECT_EQ(a.block(), nullptr);
  EXPECT_EQ(a.size(), 0u);
  a.Free();
  EXPECT_EQ(a.block(), nullptr);
}

}  // namespace
