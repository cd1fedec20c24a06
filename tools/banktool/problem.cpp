#include "tools/banktool/problem.h"

namespace banktool {

std::string FormatProblem(std::string_view file, const Problem& problem, std::string_view lineWord) {
  std::string out(file);
  if (problem.line > 0) {
    out += ": ";
    out += lineWord;
    out += ' ';
    out += std::to_string(problem.line);
    if (!problem.column.empty()) out += ", column " + problem.column;
  }
  out += ": ";
  out += problem.text;
  return out;
}

std::string Quoted(std::string_view value) {
  std::string out = "\"";
  out += value;
  out += '"';
  return out;
}

}  // namespace banktool
