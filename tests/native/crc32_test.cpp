// CRC-32 against published check values.
#include "runtime/data/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

uint32_t CrcOf(std::string_view bytes) { return rt::Crc32(bytes.data(), bytes.size()); }

TEST(Crc32, KnownVectors) {
  EXPECT_EQ(CrcOf("123456789"), 0xCBF43926u);
  EXPECT_EQ(CrcOf(""), 0u);
  EXPECT_EQ(rt::Crc32(nullptr, 0), 0u);
  EXPECT_EQ(CrcOf("a"), 0xE8B7BE43u);
  EXPECT_EQ(CrcOf("abc"), 0x352441C2u);
  EXPECT_EQ(CrcOf("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
  EXPECT_EQ(CrcOf(std::string(32, '\0')), 0x190A55ADu);
  EXPECT_EQ(CrcOf(std::string(32, '\xFF')), 0xFF6CAB0Bu);
}

TEST(Crc32, EveryByteChangesTheSum) {
  const std::string base = "\xCA\xFD\xD1\xA7 question 17";
  const uint32_t crc = CrcOf(base);
  for (size_t i = 0; i < base.size(); ++i) {
    std::string changed = base;
    changed[i] = static_cast<char>(changed[i] ^ 0x01);
    EXPECT_NE(CrcOf(changed), crc) << "byte " << i;
  }
}

}  // namespace
