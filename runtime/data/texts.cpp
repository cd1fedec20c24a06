#include "runtime/data/texts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace rt {
namespace {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The text with ASCII letters lowered, GBK double-byte characters untouched.
std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsGbkLeadByte(static_cast<uint8_t>(out[i])) && i + 1 < out.size()) {
      ++i;  // the trail byte may look like an ASCII letter; leave it alone
      continue;
    }
    out[i] = AsciiLower(out[i]);
  }
  return out;
}

// Whether each byte position of the text, and the position just after it,
// starts a character: a GBK lead byte and the byte after it are one character.
std::vector<bool> CharacterStarts(std::string_view text) {
  std::vector<bool> starts(text.size() + 1, false);
  size_t i = 0;
  while (i < text.size()) {
    starts[i] = true;
    i += (IsGbkLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  starts[text.size()] = true;
  return starts;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

size_t TextLength(std::string_view text) { return text.size(); }

int FindText(std::string_view haystack, std::string_view needle, int start, bool ignoreCase) {
  if (start < 1) start = 1;
  const size_t from = static_cast<size_t>(start - 1);
  if (from > haystack.size()) return -1;
  size_t at;
  if (ignoreCase) {
    const std::string h = LowerAscii(haystack);
    const std::string n = LowerAscii(needle);
    at = h.find(n, from);
    if (!n.empty()) {
      // A match must begin and end between characters: a trail byte that looks
      // like a letter is part of its double-byte character, not a letter.
      const std::vector<bool> starts = CharacterStarts(haystack);
      while (at != std::string::npos && !(starts[at] && starts[at + n.size()])) {
        at = h.find(n, at + 1);
      }
    }
  } else {
    at = haystack.find(needle, from);
  }
  return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

Text LeftText(std::string_view text, int count) {
  if (count <= 0) return Text();
  return Text(text.substr(0, static_cast<size_t>(count)));
}

Text RightText(std::string_view text, int count) {
  if (count <= 0) return Text();
  const size_t n = static_cast<size_t>(count);
  return Text(n >= text.size() ? text : text.substr(text.size() - n));
}

Text MidText(std::string_view text, int start, int count) {
  if (start < 1 || count <= 0 || static_cast<size_t>(start - 1) >= text.size()) return Text();
  return Text(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

Text ToLowerText(std::string_view text) { return Text(LowerAscii(text)); }

Text TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  size_t b = 0, e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  return Text(text.substr(b, e - b));
}

Text ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return Text(text);
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t at = text.find(from, pos);
    if (at == std::string_view::npos) break;
    out.append(text.substr(pos, at - pos));
    out.append(to);
    pos = at + from.size();
  }
  out.append(text.substr(pos));
  return Text(out);
}

Text Blanks(int count) { return count <= 0 ? Text() : Text(std::string(static_cast<size_t>(count), ' ')); }

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::string la = LowerAscii(a), lb = LowerAscii(b);
  const size_t n = la.size() < lb.size() ? la.size() : lb.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<uint8_t>(la[i]), y = static_cast<uint8_t>(lb[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (la.size() == lb.size()) return 0;
  return la.size() < lb.size() ? -1 : 1;
}

Text IntegerToText(int64_t value) { return Text(std::to_string(value)); }

Text NumberToText(double value) {
  if (std::isnan(value)) return Text("NaN");
  if (std::isinf(value)) return Text(value > 0 ? "Infinity" : "-Infinity");
  if (value == 0) return Text("0");  // also -0
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return Text(buf);
}

double TextToNumber(std::string_view text) {
  // Only the decimal form is read: sign, digits, point, digits, exponent. The C
  // library alone would also take "nan", "inf(inity)" and hexadecimal numbers.
  const size_t n = text.size();
  size_t i = 0;
  while (i < n && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n' || text[i] == '\v' ||
                   text[i] == '\f')) {
    ++i;
  }
  const size_t begin = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  for (; i < n && IsDecimalDigit(text[i]); ++i) ++digits;
  if (i < n && text[i] == '.') {
    for (++i; i < n && IsDecimalDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < n && IsDecimalDigit(text[j])) {
      while (j < n && IsDecimalDigit(text[j])) ++j;
      i = j;
    }
  }
  const std::string number(text.substr(begin, i - begin));
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace rt
