#include "tools/teacher_kit/toolkit/tool_text.h"

#include <algorithm>
#include <cstdio>

#include "runtime/data/encoding.h"
#include "tools/teacher_kit/toolkit/tool_problem.h"

namespace toolkit {

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string_view();
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::string_view NextLine(std::string_view text, size_t& position) {
  const size_t start = position;
  const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  position = end;
  if (position < text.size() && text[position] == '\r') ++position;
  if (position < text.size() && text[position] == '\n' && (position == end || text[end] == '\r')) ++position;
  return text.substr(start, end - start);
}

int LineOfOffset(std::string_view text, size_t offset) {
  int line = 0;
  for (size_t p = 0; p <= offset && p < text.size();) {
    NextLine(text, p);
    ++line;
  }
  return std::max(line, 1);
}

namespace {

// Length of the UTF-8 sequence at `p` (1..4), or 0 when it is not well formed.
size_t SequenceLength(std::string_view text, size_t p) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(p);
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (p + length > text.size()) return 0;
  if (byte(p + 1) < low || byte(p + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(p + i) < 0x80 || byte(p + i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

bool IsValidUtf8(std::string_view text, size_t* badOffset) {
  for (size_t p = 0; p < text.size();) {
    const size_t length = SequenceLength(text, p);
    if (length == 0) {
      if (badOffset) *badOffset = p;
      return false;
    }
    p += length;
  }
  return true;
}

char32_t NextCodePoint(std::string_view text, size_t& position) {
  const unsigned char lead = static_cast<unsigned char>(text[position]);
  size_t length = SequenceLength(text, position);
  if (length == 0) {  // not expected for valid text: take the byte alone
    ++position;
    return lead;
  }
  char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (size_t i = 1; i < length; ++i) c = (c << 6) | (static_cast<unsigned char>(text[position + i]) & 0x3F);
  position += length;
  return c;
}

std::string CodePointName(char32_t c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

bool HasControlCharacter(std::string_view text) {
  for (const char ch : text) {
    const unsigned char b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

std::string CheckGbk(std::string_view utf8) {
  if (rt::Utf8ToGbkExactly(utf8)) return std::string();
  for (size_t p = 0; p < utf8.size();) {
    const size_t start = p;
    const char32_t c = NextCodePoint(utf8, p);
    const std::string_view character = utf8.substr(start, p - start);
    if (!rt::Utf8ToGbkExactly(character)) {
      return Say(Msg::NotGbkCharacter, Quoted(utf8), Quoted(character), CodePointName(c));
    }
  }
  return Say(Msg::TextNotUtf8, Quoted(utf8));
}

std::string Gbk(std::string_view utf8) { return rt::Utf8ToGbkExactly(utf8).value_or(std::string()); }

}  // namespace toolkit
