// Heap texts, byte sets and arrays in the layouts every part of the program
// shares:
//   text      a NUL-terminated GBK string in a heap block; no block is the empty text
//   byte set  a heap block holding the word 1, a 32-bit length, then the bytes;
//             the empty byte set is no block
//   array     a heap block holding the number of dimensions, the size of each
//             dimension, then the elements
// Each class owns its block and is exactly one pointer wide, so a global slot
// holding one is one pointer wide too. Assigning a new value releases the old.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/invariant.h"

namespace rt {

// The memory family: every block of the three layouts comes from here.
void* Alloc(size_t size);
void* Realloc(void* block, size_t size);
void Free(void* block);

class Text {
 public:
  Text() = default;
  Text(const char* s) : Text(std::string_view(s ? s : "")) {}  // NOLINT: texts convert freely
  Text(std::string_view s);                                    // NOLINT
  Text(const std::string& s) : Text(std::string_view(s)) {}    // NOLINT
  Text(const Text& other) : Text(other.view()) {}
  Text(Text&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;
  ~Text() { Free(); }

  const char* c_str() const { return block_ ? block_ : ""; }
  std::string_view view() const { return block_ ? std::string_view(block_) : std::string_view(); }
  operator std::string_view() const { return view(); }  // NOLINT
  size_t size() const { return view().size(); }
  bool empty() const { return size() == 0; }
  // The heap block itself (null for the empty text).
  const char* block() const { return block_; }
  // Makes the text a copy of `s`, in the block it has when that can be
  // resized (a caption written for every record of a walk).
  void Assign(std::string_view s);
  // Releases the block; the text is empty afterwards.
  void Free();

  friend bool operator==(const Text& a, const Text& b) { return a.view() == b.view(); }
  friend bool operator==(const Text& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const Text& a, const char* b) { return a.view() == std::string_view(b ? b : ""); }

 private:
  char* block_ = nullptr;
};

class ByteSet {
 public:
  ByteSet() = default;
  ByteSet(const void* bytes, size_t length);
  explicit ByteSet(std::string_view bytes) : ByteSet(bytes.data(), bytes.size()) {}
  ByteSet(const ByteSet& other) : ByteSet(other.data(), other.size()) {}
  ByteSet(ByteSet&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  ByteSet& operator=(const ByteSet& other);
  ByteSet& operator=(ByteSet&& other) noexcept;
  ~ByteSet() { Free(); }

  // A byte set of n zero bytes.
  static ByteSet Zeros(size_t length);

  size_t size() const;
  bool empty() const { return size() == 0; }
  const uint8_t* data() const;
  uint8_t* data();
  std::string_view view() const { return std::string_view(reinterpret_cast<const char*>(data()), size()); }
  ByteSet Left(size_t count) const;
  const uint8_t* block() const { return block_; }
  void Free();

  friend bool operator==(const ByteSet& a, const ByteSet& b) { return a.view() == b.view(); }

 private:
  uint8_t* block_ = nullptr;
};

// A one-dimensional array of 32-bit integers: words 1 (dimensions), n (size),
// then the n elements. Unlike the other two it always holds a block once
// created, since the program's array slot is never empty.
class IntArray {
 public:
  IntArray() = default;
  IntArray(const IntArray&) = delete;
  IntArray& operator=(const IntArray&) = delete;
  IntArray(IntArray&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
  IntArray& operator=(IntArray&& other) noexcept;
  ~IntArray() { Free(); }

  // Replaces the content with the empty array (words 1 and 0).
  void MakeEmpty();
  void Append(int32_t value);
  size_t size() const { return block_ ? static_cast<size_t>(block_[1]) : 0; }
  // Elements by 1-based position, 1 to size(). Any other position is the
  // caller's fault, which the check stops before a word beside the elements
  // (the size, or whatever follows the block) is read or overwritten.
  int32_t& at1(size_t position) {
    TESSALY_CHECK(position >= 1 && position <= size());
    return block_[1 + position];
  }
  int32_t at1(size_t position) const {
    TESSALY_CHECK(position >= 1 && position <= size());
    return block_[1 + position];
  }
  const int32_t* block() const { return block_; }
  void Free();

 private:
  int32_t* block_ = nullptr;
};

// One pointer wide each, so that a global slot holding one is one pointer wide.
static_assert(sizeof(Text) == sizeof(void*));
static_assert(sizeof(ByteSet) == sizeof(void*));
static_assert(sizeof(IntArray) == sizeof(void*));

}  // namespace rt
