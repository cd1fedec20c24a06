#include "http/helpers.h"

#include <cmath>
#include <cstring>
#include <string>

rt::Text JoinTexts(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (const std::string_view part : parts) joined.append(part);
  return rt::Text(joined);
}

rt::ByteSet JoinByteSets(std::initializer_list<std::string_view> parts) {
  size_t total = 0;
  for (const std::string_view part : parts) total += part.size();
  if (total == 0) return rt::ByteSet();
  rt::ByteSet joined = rt::ByteSet::Zeros(total);
  uint8_t* out = joined.data();
  for (const std::string_view part : parts) {
    if (part.empty()) continue;
    std::memcpy(out, part.data(), part.size());
    out += part.size();
  }
  return joined;
}

int CompareTexts(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<uint8_t>(a[i]), y = static_cast<uint8_t>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

size_t TextLength(std::string_view text) { return text.size(); }

int64_t TruncateToInteger(double value) {
  if (std::isnan(value)) return 0;
  // 2^63 is exactly representable; everything at or beyond it saturates.
  constexpr double kLimit = 9223372036854775808.0;
  if (value >= kLimit) return INT64_MAX;
  if (value <= -kLimit) return INT64_MIN;
  // std::trunc always cuts toward zero; the cast of the whole result is exact.
  return static_cast<int64_t>(std::trunc(value));
}
