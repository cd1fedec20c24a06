#include "tools/banktool/ini.h"

#include <vector>

#include "tools/banktool/gbk.h"
#include "tools/banktool/problem.h"
#include "tools/banktool/text.h"

namespace banktool {
namespace {

constexpr std::string_view kCrLf = "\r\n";

struct IniLine {
  std::string_view text;  // without the line end
  std::string_view end;   // "\r\n", "\n" or "" for a last line without one
};

std::vector<IniLine> SplitLines(std::string_view ini) {
  std::vector<IniLine> lines;
  for (size_t p = 0; p < ini.size();) {
    size_t end = ini.find('\n', p);
    if (end == std::string_view::npos) {
      lines.push_back({ini.substr(p), ""});
      break;
    }
    size_t textEnd = end;
    if (textEnd > p && ini[textEnd - 1] == '\r') --textEnd;
    lines.push_back({ini.substr(p, textEnd - p), ini.substr(textEnd, end + 1 - textEnd)});
    p = end + 1;
  }
  return lines;
}

std::string_view TrimLine(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool IsGbkLead(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return b >= 0x81 && b <= 0xFE;
}

// Position of the single-byte character `wanted` in GBK text, stepping over
// double-byte characters; npos when absent.
size_t FindGbkChar(std::string_view text, char wanted, size_t from = 0) {
  for (size_t i = from; i < text.size(); ++i) {
    if (IsGbkLead(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == wanted) return i;
  }
  return std::string_view::npos;
}

// The section a header line opens, or false when the line is no header.
bool SectionName(std::string_view line, std::string_view& name) {
  const std::string_view text = TrimLine(line);
  if (!text.starts_with('[')) return false;
  const size_t close = FindGbkChar(text, ']', 1);
  if (close == std::string_view::npos) return false;
  name = TrimLine(text.substr(1, close - 1));
  return true;
}

// The key of a "key=value" line, or false for comments and other lines.
bool KeyName(std::string_view line, std::string_view& name) {
  const std::string_view text = TrimLine(line);
  if (text.empty() || text.front() == ';' || text.front() == '#') return false;
  const size_t equals = FindGbkChar(text, '=');
  if (equals == std::string_view::npos) return false;
  name = TrimLine(text.substr(0, equals));
  return true;
}

}  // namespace

std::string SetIniValue(std::string_view ini, std::string_view section, std::string_view key,
                        std::string_view value) {
  const std::string entry = std::string(key) + "=" + std::string(value) + std::string(kCrLf);
  std::vector<std::string> out;
  bool inTarget = false;       // inside a section named `section`
  bool inFirstTarget = false;  // inside the first of them
  bool sawTarget = false;
  bool written = false;
  size_t insertAt = 0;  // after the first target section's last non-blank line

  for (const IniLine& line : SplitLines(ini)) {
    std::string_view name;
    if (SectionName(line.text, name)) {
      inTarget = name == section;
      inFirstTarget = inTarget && !sawTarget;
      sawTarget = sawTarget || inTarget;
      out.push_back(std::string(line.text) + std::string(line.end));
      if (inFirstTarget) insertAt = out.size();
      continue;
    }
    if (inTarget && KeyName(line.text, name) && name == key) {
      if (!written) out.push_back(entry);
      written = true;
      if (inFirstTarget) insertAt = out.size();
      continue;
    }
    out.push_back(std::string(line.text) + std::string(line.end));
    if (inFirstTarget && !TrimLine(line.text).empty()) insertAt = out.size();
  }

  const auto endLastLine = [&](size_t index) {
    // A line written after another needs that one ended.
    if (index > 0 && !out[index - 1].ends_with('\n')) out[index - 1] += kCrLf;
  };
  if (!written && sawTarget) {
    endLastLine(insertAt);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
  } else if (!written) {
    endLastLine(out.size());
    if (!out.empty() && !TrimLine(out.back()).empty()) out.emplace_back(kCrLf);
    std::string header(1, '[');
    header.append(section).append("]").append(kCrLf);
    out.push_back(header);
    out.push_back(entry);
  }

  std::string result;
  for (const auto& line : out) result += line;
  return result;
}

std::string CheckIniValue(std::string_view value) {
  if (value.empty()) return "is empty";
  if (HasControlCharacter(value)) return Quoted(value) + " holds a line break or another control character";
  if (TrimBlanks(value).size() != value.size()) {
    return Quoted(value) + " starts or ends with a space, which readers of math.ini drop";
  }
  if (!IsValidUtf8(value)) return "is not UTF-8 text";
  const std::string outside = FirstCharacterOutsideGbk(value);
  if (!outside.empty()) {
    size_t p = 0;
    return Quoted(value) + " holds " + Quoted(outside) + " (" + CodePointName(NextCodePoint(outside, p)) +
           "), which GBK cannot encode";
  }
  return std::string();
}

std::string CheckIniFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return "starts with a UTF-8 byte order mark, but math.ini must be GBK text";
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return "is UTF-16 text, but math.ini must be GBK text";
  }
  if (!GbkToUtf8(bytes)) return "is not GBK text";
  return std::string();
}

}  // namespace banktool
