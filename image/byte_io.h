// Little-endian words and texts, written to a growing byte vector or read
// through a cursor that never reads past the end of its bytes. Shared by the
// program image's writer and reader and the window definition's codec.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace image::detail {

using Bytes = std::vector<uint8_t>;

inline void PutWord(Bytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline void PutHalf(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void PutBytes(Bytes& out, std::span<const uint8_t> bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }

inline void PutBytes(Bytes& out, std::string_view bytes) {
  out.insert(out.end(), reinterpret_cast<const uint8_t*>(bytes.data()),
             reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size());
}

inline void PutZeros(Bytes& out, size_t count) { out.insert(out.end(), count, 0); }

// Overwrites the word at `at`, which the caller has already written.
inline void SetWord(Bytes& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t GetWord(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline std::string_view AsText(std::span<const uint8_t> bytes) {
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Reads forward through a span. Every read checks the bytes that are left
// first and fails, leaving the position where it was, when they do not suffice.
class ByteCursor {
 public:
  explicit ByteCursor(std::span<const uint8_t> bytes, size_t position = 0)
      : bytes_(bytes), position_(position <= bytes.size() ? position : bytes.size()) {}

  size_t position() const { return position_; }
  size_t remaining() const { return bytes_.size() - position_; }
  bool AtEnd() const { return position_ == bytes_.size(); }

  bool Word(uint32_t& value) {
    if (remaining() < 4) return false;
    value = GetWord(bytes_.data() + position_);
    position_ += 4;
    return true;
  }

  bool Half(uint16_t& value) {
    if (remaining() < 2) return false;
    value = static_cast<uint16_t>(bytes_[position_] | bytes_[position_ + 1] << 8);
    position_ += 2;
    return true;
  }

  bool Byte(uint8_t& value) {
    if (remaining() < 1) return false;
    value = bytes_[position_++];
    return true;
  }

  bool Take(size_t count, std::span<const uint8_t>& out) {
    if (remaining() < count) return false;
    out = bytes_.subspan(position_, count);
    position_ += count;
    return true;
  }

  // True when the next `count` bytes exist and are all zero; consumes them.
  bool Zeros(size_t count) {
    std::span<const uint8_t> span;
    if (!Take(count, span)) return false;
    for (uint8_t b : span) {
      if (b != 0) {
        position_ -= count;
        return false;
      }
    }
    return true;
  }

  // A NUL-terminated text; the NUL is consumed but not returned.
  bool CText(std::string& out) {
    if (remaining() == 0) return false;
    const uint8_t* start = bytes_.data() + position_;
    const void* nul = std::memchr(start, 0, remaining());
    if (nul == nullptr) return false;
    const size_t length = static_cast<const uint8_t*>(nul) - start;
    out.assign(reinterpret_cast<const char*>(start), length);
    position_ += length + 1;
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t position_;
};

// The NUL-terminated text starting at `offset` of `bytes`; false when the
// offset is outside the bytes or no NUL follows it.
inline bool TextAt(std::span<const uint8_t> bytes, uint32_t offset, std::string& out) {
  if (offset >= bytes.size()) return false;
  ByteCursor cursor(bytes, offset);
  return cursor.CText(out);
}

}  // namespace image::detail
