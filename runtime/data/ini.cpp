#include "runtime/data/ini.h"

#include <vector>

#include "runtime/data/texts.h"

namespace rt {
namespace {

struct Line {
  std::string_view text;  // without its line end
  std::string_view end;   // "\r\n", "\n" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view ini) {
  std::vector<Line> lines;
  for (size_t p = 0; p < ini.size();) {
    const size_t lf = ini.find('\n', p);
    if (lf == std::string_view::npos) {
      lines.push_back({ini.substr(p), ""});
      break;
    }
    size_t textEnd = lf;
    if (textEnd > p && ini[textEnd - 1] == '\r') --textEnd;
    lines.push_back({ini.substr(p, textEnd - p), ini.substr(textEnd, lf + 1 - textEnd)});
    p = lf + 1;
  }
  return lines;
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Position of the ASCII character `wanted`, double-byte GBK characters stepped
// over (a trail byte may look like ']').
size_t FindAscii(std::string_view text, char wanted, size_t from = 0) {
  for (size_t i = from; i < text.size(); ++i) {
    if (IsGbkLeadByte(static_cast<uint8_t>(text[i]))) {
      ++i;
      continue;
    }
    if (text[i] == wanted) return i;
  }
  return std::string_view::npos;
}

bool SameName(std::string_view a, std::string_view b) { return CompareIgnoringCase(a, b) == 0; }

bool SectionOf(std::string_view line, std::string_view& name) {
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() != '[') return false;
  const size_t close = FindAscii(text, ']', 1);
  if (close == std::string_view::npos) return false;
  name = Trim(text.substr(1, close - 1));
  return true;
}

// The key and value of a "key=value" line; false for comments and other lines.
bool ItemOf(std::string_view line, std::string_view& key, std::string_view& value) {
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() == ';' || text.front() == '#') return false;
  const size_t equals = FindAscii(text, '=');
  if (equals == std::string_view::npos) return false;
  key = Trim(text.substr(0, equals));
  value = Trim(text.substr(equals + 1));
  return true;
}

std::string_view WithoutBom(std::string_view ini) { return ini.starts_with("\xEF\xBB\xBF") ? ini.substr(3) : ini; }

}  // namespace

Text IniValue(std::string_view ini, std::string_view section, std::string_view key) {
  bool inSection = false;
  bool seen = false;
  for (const Line& line : SplitLines(WithoutBom(ini))) {
    std::string_view name, value;
    if (SectionOf(line.text, name)) {
      if (seen) break;  // only the first section of that name counts
      inSection = SameName(name, Trim(section));
      seen = inSection;
      continue;
    }
    if (inSection && ItemOf(line.text, name, value) && SameName(name, Trim(key))) {
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      return Text(value);
    }
  }
  return Text();
}

std::string WithIniValue(std::string_view ini, std::string_view section, std::string_view key, std::string_view value,
                         IniRepeats repeats) {
  const std::string_view bom = ini.substr(0, ini.size() - WithoutBom(ini).size());
  ini = WithoutBom(ini);
  std::string entry(key);
  entry.append("=").append(value);
  std::vector<std::string> out;
  int sectionState = 0;  // 0 before the section, 1 inside it, 2 after it
  bool inNamed = false;  // inside the section or a repeat of it
  bool written = false;
  size_t insertAt = 0;  // after the section's last line that is not blank
  for (const Line& line : SplitLines(ini)) {
    std::string_view name, itemValue;
    if (SectionOf(line.text, name)) {
      inNamed = SameName(name, Trim(section));
      if (sectionState == 1) sectionState = 2;
      if (sectionState == 0 && inNamed) {
        sectionState = 1;
        insertAt = out.size() + 1;
      }
    } else if (inNamed && ItemOf(line.text, name, itemValue) && SameName(name, Trim(key))) {
      if (sectionState == 1 && !written) {
        out.push_back(entry);
        out.back().append(line.end.empty() ? std::string_view("\r\n") : line.end);
        written = true;
        continue;
      }
      if (repeats == IniRepeats::Drop) continue;
    }
    out.push_back(std::string(line.text) + std::string(line.end));
    if (sectionState == 1 && !Trim(line.text).empty()) insertAt = out.size();
  }
  // A line written after another needs that one ended.
  const auto endLine = [&](size_t index) {
    if (index > 0 && !out[index - 1].ends_with('\n')) out[index - 1] += "\r\n";
  };
  if (!written && sectionState != 0) {
    endLine(insertAt);
    out.insert(out.begin() + static_cast<std::ptrdiff_t>(insertAt), entry)->append("\r\n");
  } else if (!written) {
    endLine(out.size());
    if (!out.empty() && !Trim(out.back()).empty()) out.emplace_back("\r\n");
    std::string header(1, '[');
    header.append(section).append("]\r\n");
    out.push_back(std::move(header));
    out.push_back(entry);
    out.back().append("\r\n");
  }
  std::string result(bom);
  for (const std::string& line : out) result += line;
  return result;
}

std::string WithoutIniKey(std::string_view ini, std::string_view section, std::string_view key) {
  std::string result(ini.substr(0, ini.size() - WithoutBom(ini).size()));
  bool inNamed = false;
  for (const Line& line : SplitLines(WithoutBom(ini))) {
    std::string_view name, value;
    if (SectionOf(line.text, name)) {
      inNamed = SameName(name, Trim(section));
    } else if (inNamed && ItemOf(line.text, name, value) && SameName(name, Trim(key))) {
      continue;
    }
    result.append(line.text).append(line.end);
  }
  return result;
}

}  // namespace rt
