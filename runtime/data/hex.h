// Bytes written as hexadecimal text and read back: the update signing keys
// and the archives' signatures travel as such text in key files, build
// settings and the server's version file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rt {

// Two lowercase digits per byte.
inline std::string HexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text += kDigits[b >> 4];
    text += kDigits[b & 0x0F];
  }
  return text;
}

// The bytes of hexadecimal text, two digits (of either letter case) a byte;
// nothing when the text holds anything else or an odd number of digits.
inline std::optional<std::string> BytesFromHex(std::string_view text) {
  const auto value = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) return std::nullopt;
  std::string bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = value(text[i]), low = value(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes += static_cast<char>(high << 4 | low);
  }
  return bytes;
}

}  // namespace rt
