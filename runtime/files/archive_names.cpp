#include "runtime/files/archive_names.h"

#include <array>
#include <vector>

#include "runtime/data/encoding.h"
#include "runtime/data/texts.h"

namespace rt {
namespace {

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<uint8_t>(s[i]);
    size_t n = 0;
    uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      n = 1;
      cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      n = 2;
      cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      n = 3;
      cp = b & 0x07;
    } else {
      return false;
    }
    for (size_t k = 1; k <= n; ++k) {
      if (i + k >= s.size()) return false;
      const auto c = static_cast<uint8_t>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Over-long forms, surrogates and values past U+10FFFF are no characters.
    static constexpr std::array<uint32_t, 4> kLeast = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    i += n + 1;
  }
  return true;
}

// Code page 936: single bytes up to 0x80, or a lead byte 0x81-0xFE followed by
// a trail byte 0x40-0x7E or 0x80-0xFE. Checked here rather than left to the
// converter, whose handling of broken bytes differs between systems.
bool IsValidGbk(std::string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<uint8_t>(s[i]);
    if (b <= 0x80) continue;
    if (b == 0xFF || i + 1 >= s.size()) return false;
    const auto t = static_cast<uint8_t>(s[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

std::vector<std::string_view> Segments(std::string_view path) {
  std::vector<std::string_view> out;
  size_t p = 0;
  for (;;) {
    const size_t slash = path.find('/', p);
    out.push_back(path.substr(p, slash == std::string_view::npos ? std::string_view::npos : slash - p));
    if (slash == std::string_view::npos) return out;
    p = slash + 1;
  }
}

// Windows' device names, which open a device instead of a file whatever the
// folder or extension ("nul.txt" too), and with blanks before the extension
// ("CON .txt"); COM and LPT take the superscript digits ¹ ² ³ as well.
bool IsDeviceName(std::string_view segment) {
  std::string_view stem = segment.substr(0, segment.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (std::string_view d : kDevices) {
    if (CompareIgnoringCase(stem, d) == 0) return true;
  }
  if (stem.size() < 4 ||
      (CompareIgnoringCase(stem.substr(0, 3), "COM") != 0 && CompareIgnoringCase(stem.substr(0, 3), "LPT") != 0)) {
    return false;
  }
  const std::string_view number = stem.substr(3);
  if (number.size() == 1) return number[0] >= '0' && number[0] <= '9';
  return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";  // UTF-8 ¹ ² ³
}

// A short (8.3) name such as "BANK-U~1": Windows takes it for the long name of
// whatever file or folder has it, so a member so named could land in another
// file than its name says (the staging folder "bank-update", for one).
bool IsShortNameAlias(std::string_view segment) {
  const size_t tilde = segment.find('~');
  return tilde != std::string_view::npos && tilde + 1 < segment.size() && segment[tilde + 1] >= '0' &&
         segment[tilde + 1] <= '9';
}

bool HasForbiddenCharacter(std::string_view segment) {
  for (const char c : segment) {
    const auto b = static_cast<uint8_t>(c);
    if (b < 0x20 || b == 0x7F || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return true;
  }
  return false;
}

bool IsProgramCode(std::string_view file) {
  const size_t dot = file.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = file.substr(dot);
  for (std::string_view code :
       {".exe", ".dll", ".fnr", ".fne", ".scr", ".com", ".bat", ".cmd", ".lnk", ".manifest", ".config"}) {
    if (CompareIgnoringCase(extension, code) == 0) return true;
  }
  return false;
}

// Upper-case letters and how each becomes its lower case: by a fixed
// distance, or, where the cases alternate, the upper one first (of each pair
// from `first`) is followed by its lower one.
struct CaseRange {
  uint32_t first, last;
  int32_t delta;  // 0: alternating pairs
};
constexpr CaseRange kUpperCase[] = {
    {0x0041, 0x005A, 0x20}, {0x00C0, 0x00D6, 0x20}, {0x00D8, 0x00DE, 0x20}, {0x0100, 0x012F, 0},
    {0x0132, 0x0137, 0},    {0x0139, 0x0148, 0},    {0x014A, 0x0177, 0},    {0x0178, 0x0178, 0x00FF - 0x0178},
    {0x0179, 0x017E, 0},    {0x01CD, 0x01DC, 0},    {0x01F8, 0x01F9, 0},    {0x0386, 0x0386, 0x26},
    {0x0388, 0x038A, 0x25}, {0x038C, 0x038C, 0x40}, {0x038E, 0x038F, 0x3F}, {0x0391, 0x03A1, 0x20},
    {0x03A3, 0x03AB, 0x20}, {0x03C2, 0x03C2, 1},  // final sigma: one letter with σ and Σ
    {0x0400, 0x040F, 0x50}, {0x0410, 0x042F, 0x20}, {0xFF21, 0xFF3A, 0x20},
};

uint32_t LowerCase(uint32_t c) {
  for (const CaseRange& range : kUpperCase) {
    if (c < range.first || c > range.last) continue;
    if (range.delta != 0) return c + static_cast<uint32_t>(range.delta);
    return (c - range.first) % 2 == 0 ? c + 1 : c;
  }
  return c;
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string FoldedName(std::string_view utf8Path) {
  std::string folded;
  folded.reserve(utf8Path.size());
  for (size_t i = 0; i < utf8Path.size();) {
    const auto b = static_cast<uint8_t>(utf8Path[i]);
    const size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > utf8Path.size() || !IsValidUtf8(utf8Path.substr(i, n))) {
      folded += utf8Path[i++];  // no character: kept as it is
      continue;
    }
    uint32_t c = n == 1 ? b : b & (0xFF >> (n + 1));
    for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<uint8_t>(utf8Path[i + k]) & 0x3F);
    AppendUtf8(folded, LowerCase(c));
    i += n;
  }
  return folded;
}

std::string DecodeMemberName(std::string_view raw, uint16_t flags) {
  const bool valid = (flags & kZipUtf8NameFlag) ? IsValidUtf8(raw) : IsValidGbk(raw);
  if (!valid) return "?";  // refused as a bad name
  return (flags & kZipUtf8NameFlag) ? std::string(raw) : GbkToUtf8(raw);
}

MemberCheck CheckMemberName(std::string_view utf8Name) {
  MemberCheck check;
  std::string name(utf8Name);
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  if (name.empty()) return check;
  if (name.front() == '/') {
    check.verdict = MemberVerdict::Absolute;
    return check;
  }
  if (name.find(':') != std::string::npos) {
    check.verdict = MemberVerdict::DriveOrColon;
    return check;
  }
  check.folder = name.back() == '/';
  std::string relative;
  std::string_view last;
  for (std::string_view segment : Segments(name)) {
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      check.verdict = MemberVerdict::ParentFolder;
      return check;
    }
    if (HasForbiddenCharacter(segment) || segment.back() == '.' || segment.back() == ' ' || IsDeviceName(segment) ||
        IsShortNameAlias(segment)) {
      check.verdict = MemberVerdict::BadName;
      return check;
    }
    if (!relative.empty()) relative += '/';
    relative.append(segment);
    last = segment;
  }
  if (relative.empty() && !check.folder) return check;  // "." or "./": names nothing
  if (!check.folder && IsProgramCode(last)) {
    check.verdict = MemberVerdict::ProgramCode;
    return check;
  }
  check.verdict = MemberVerdict::Accepted;
  check.relative = std::move(relative);
  return check;
}

}  // namespace rt
