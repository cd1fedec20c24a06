// The program's twelve global slots start at zero (their size and places are
// static_asserts of program/global_slots.h).
#include "program/global_slots.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace {

using program::GlobalSlots;

bool AllZero(const void* bytes, size_t size) {
  static const unsigned char zeros[sizeof(GlobalSlots)] = {};
  return size <= sizeof zeros && std::memcmp(bytes, zeros, size) == 0;
}

TEST(GlobalSlots, ProgramSlotsStartAtZero) {
  // Nothing in these tests sets up the program's slots, so they hold their start values.
  EXPECT_TRUE(AllZero(&program::Globals(), sizeof(program::GlobalSlots)));
}

TEST(GlobalSlots, NewSlotsAreAllZeroBytes) {
  // Build the slots over memory full of other bytes, so that zeros must come
  // from the construction itself.
  alignas(GlobalSlots) unsigned char storage[sizeof(GlobalSlots)];
  std::memset(storage, 0xA5, sizeof storage);
  auto* slots = new (storage) GlobalSlots();
  EXPECT_TRUE(AllZero(storage, sizeof storage));
  EXPECT_TRUE(slots->ServerBaseUrl.empty());
  EXPECT_EQ(slots->PracticePaper.block(), nullptr);
  EXPECT_EQ(slots->CurrentQuestion, 0);
  slots->~GlobalSlots();
}

TEST(GlobalSlots, EachSlotStartsAtZeroWhenDefaultConstructed) {
  alignas(GlobalSlots) unsigned char storage[sizeof(GlobalSlots)];
  std::memset(storage, 0xA5, sizeof storage);
  auto* slots = new (storage) GlobalSlots;
  const auto slot = [&](size_t index) { return storage + index * program::kSlotSize; };
  for (size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11}) {
    EXPECT_TRUE(AllZero(slot(i), program::kSlotSize)) << "slot " << i;
  }
  EXPECT_TRUE(AllZero(slot(9), sizeof slots->CurrentQuestion));
  slots->~GlobalSlots();
}

}  // namespace
