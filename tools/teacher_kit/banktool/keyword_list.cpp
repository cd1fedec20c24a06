#include "tools/teacher_kit/banktool/keyword_list.h"

#include <map>
#include <unordered_set>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

KeywordList ReadKeywordList(std::string_view bytes) {
  KeywordList list;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    list.problems.push_back({0, "", Say(Msg::KeywordListUtf16)});
    return list;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::map<std::string, int, std::less<>> seen;
  int line = 0;
  for (size_t p = 0; p < bytes.size();) {
    ++line;
    std::string_view text = NextLine(bytes, p);
    if (!IsValidUtf8(text)) {
      list.problems.push_back({line, "", Say(Msg::KeywordListNotUtf8)});
      continue;
    }
    text = TrimBlanks(text);
    if (text.empty()) continue;
    if (HasControlCharacter(text)) {
      list.problems.push_back({line, "", Say(Msg::HoldsControlCharacter, Quoted(text))});
      continue;
    }
    if (std::string why = CheckGbk(text); !why.empty()) {
      list.problems.push_back({line, "", std::move(why)});
      continue;
    }
    if (const auto earlier = seen.find(text); earlier != seen.end()) {
      list.notes.push_back(Say(Msg::KeywordRepeated, line, Quoted(text), earlier->second));
      continue;
    }
    seen.emplace(std::string(text), line);
    list.keywords.emplace_back(text);
    list.lines.push_back(line);
  }
  if (list.keywords.empty() && list.problems.empty()) list.problems.push_back({0, "", Say(Msg::KeywordListEmpty)});
  return list;
}

std::vector<std::string> KeywordsFromUnits(const std::vector<std::string>& units) {
  std::vector<std::string> keywords;
  std::unordered_set<std::string_view> seen;
  for (const auto& unit : units) {
    if (seen.insert(unit).second) keywords.push_back(unit);
  }
  return keywords;
}

std::string KeywordFileBytes(const std::vector<std::string>& keywords) {
  std::string bytes;
  for (const auto& keyword : keywords) {
    bytes += Gbk(keyword);
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace banktool
