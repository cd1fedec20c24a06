// A fault found in the teacher's input, with where it is.
#pragma once

#include <string>
#include <string_view>

namespace banktool {

struct Problem {
  int line = 0;        // row of the manifest (the header is row 1) or line of a list; 0 for the whole file
  std::string column;  // column name; empty when the fault is not in one column
  std::string text;    // what is wrong, in words for the teacher
};

// "manifest.tsv: row 7, column 正答: ..." / "manifest.tsv: row 7: ..." /
// "manifest.tsv: ...". `lineWord` is "row" for tables and "line" for lists.
std::string FormatProblem(std::string_view file, const Problem& problem, std::string_view lineWord = "row");

// A value quoted for a message: "abc".
std::string Quoted(std::string_view value);

}  // namespace banktool
