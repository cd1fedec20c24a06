#include "runtime/data/blocks.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace rt {

// ---- Text

Text::Text(std::string_view s) {
  if (s.empty()) return;
  block_ = static_cast<char*>(Alloc(s.size() + 1));
  std::memcpy(block_, s.data(), s.size());
  block_[s.size()] = '\0';
}

Text& Text::operator=(const Text& other) {
  if (this != &other) *this = Text(other.view());
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    Free();
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

void Text::Assign(std::string_view s) {
  const std::string_view own = view();
  if (s.empty() || (s.data() >= own.data() && s.data() <= own.data() + own.size())) {
    *this = Text(s);  // nothing to keep, or `s` lies in this text's own block
    return;
  }
  block_ = static_cast<char*>(Realloc(block_, s.size() + 1));
  std::memcpy(block_, s.data(), s.size());
  block_[s.size()] = '\0';
}

void Text::Free() {
  rt::Free(block_);
  block_ = nullptr;
}

// ---- ByteSet

namespace {
constexpr size_t kByteSetHeader = 8;

uint8_t* NewByteSetBlock(size_t length) {
  auto* block = static_cast<uint8_t*>(Alloc(kByteSetHeader + length));
  const uint32_t one = 1;
  const auto len32 = static_cast<uint32_t>(length);
  std::memcpy(block, &one, 4);
  std::memcpy(block + 4, &len32, 4);
  return block;
}
}  // namespace

ByteSet::ByteSet(const void* bytes, size_t length) {
  if (length == 0) return;
  block_ = NewByteSetBlock(length);
  std::memcpy(block_ + kByteSetHeader, bytes, length);
}

ByteSet ByteSet::Zeros(size_t length) {
  ByteSet result;
  if (length == 0) return result;
  result.block_ = NewByteSetBlock(length);
  std::memset(result.block_ + kByteSetHeader, 0, length);
  return result;
}

ByteSet& ByteSet::operator=(const ByteSet& other) {
  if (this != &other) *this = ByteSet(other.data(), other.size());
  return *this;
}

ByteSet& ByteSet::operator=(ByteSet&& other) noexcept {
  if (this != &other) {
    Free();
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

size_t ByteSet::size() const {
  if (!block_) return 0;
  uint32_t length;
  std::memcpy(&length, block_ + 4, 4);
  return length;
}

const uint8_t* ByteSet::data() const { return block_ ? block_ + kByteSetHeader : nullptr; }
uint8_t* ByteSet::data() { return block_ ? block_ + kByteSetHeader : nullptr; }

ByteSet ByteSet::Left(size_t count) const { return ByteSet(data(), count < size() ? count : size()); }

void ByteSet::Free() {
  rt::Free(block_);
  block_ = nullptr;
}

// ---- IntArray
//
// The capacity is derived from the size (the next power of two, at least 16),
// so the array grows geometrically without storing anything beside its block.

namespace {
size_t CapacityFor(size_t n) {
  if (n == 0) return 0;
  size_t c = 16;
  while (c < n) c *= 2;
  return c;
}
}  // namespace

IntArray& IntArray::operator=(IntArray&& other) noexcept {
  if (this != &other) {
    Free();
    block_ = other.block_;
    other.block_ = nullptr;
  }
  return *this;
}

void IntArray::MakeEmpty() {
  Free();
  block_ = static_cast<int32_t*>(Alloc(2 * sizeof(int32_t)));
  block_[0] = 1;
  block_[1] = 0;
}

void IntArray::Append(int32_t value) {
  if (!block_) MakeEmpty();
  const size_t n = size();
  if (CapacityFor(n + 1) != CapacityFor(n)) {
    block_ = static_cast<int32_t*>(Realloc(block_, (2 + CapacityFor(n + 1)) * sizeof(int32_t)));
  }
  block_[2 + n] = value;
  block_[1] = static_cast<int32_t>(n + 1);
}

void IntArray::Free() {
  rt::Free(block_);
  block_ = nullptr;
}

}  // namespace rt
