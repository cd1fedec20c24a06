// The keyword file 关键词.txt: the keywords the program offers to the
// student, GBK, each line ending in CR LF. Made from the teacher's list or,
// without one, from the units of the questions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

struct KeywordList {
  std::vector<std::string> keywords;  // UTF-8, in the order given
  std::vector<int> lines;             // the line each keyword came from
  std::vector<Problem> problems;
  std::vector<std::string> notes;  // keywords given twice
};

// The teacher's list: UTF-8 (a byte order mark is allowed), one keyword per
// line. Spaces around a keyword are dropped and blank lines skipped, since an
// empty keyword would match every question; a keyword given again is kept
// once. A keyword GBK cannot encode is a problem, and so is a list with no
// keywords at all.
KeywordList ReadKeywordList(std::string_view bytes);

// Each distinct unit once, in the order the units first appear.
std::vector<std::string> KeywordsFromUnits(const std::vector<std::string>& units);

// The bytes of 关键词.txt for UTF-8 keywords that are known to convert.
std::string KeywordFileBytes(const std::vector<std::string>& keywords);

}  // namespace banktool
