#include "tools/teacher_kit/toolkit/tool_problem.h"

namespace toolkit {

std::string FormatProblem(std::string_view file, const Problem& problem, bool list) {
  if (problem.line <= 0) return Say(Msg::WhereText, file, problem.text);
  if (list) return Say(Msg::WhereLine, file, problem.line, problem.text);
  if (problem.column.empty()) return Say(Msg::WhereRow, file, problem.line, problem.text);
  return Say(Msg::WhereRowColumn, file, problem.line, problem.column, problem.text);
}

}  // namespace toolkit
