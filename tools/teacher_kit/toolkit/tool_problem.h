// A fault found in the teacher's input, with where it is: a row of a table or
// a line of a list, and a column.
#pragma once

#include <string>
#include <string_view>

#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace toolkit {

struct Problem {
  int line = 0;        // row of the manifest (the header is row 1) or line of a list; 0 for the whole file
  std::string column;  // column name; empty when the fault is not in one column
  std::string text;    // what is wrong, in words for the teacher
};

// "题目表.csv 第7行“正答”列：..." / "题目表.csv 第7行：..." / "题目表.csv：..."
// ("manifest.tsv: row 7, column 正答: ..." in English). A `list` counts lines,
// a table rows.
std::string FormatProblem(std::string_view file, const Problem& problem, bool list = false);

}  // namespace toolkit
