// The teacher's list of questions: a UTF-8 table, one row per question, in
// CSV (commas, values may be double-quoted) or TSV (tabs, values taken as they
// stand) form, told apart by the header row. Rows are counted as lines of the
// file, the header being row 1, so that a message points at the line a
// spreadsheet or editor shows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/banktool/problem.h"

namespace banktool {

struct TableRow {
  int line = 0;
  std::vector<std::string> fields;  // as written, quotes removed
};

struct Table {
  bool tabs = false;  // TSV; otherwise CSV
  std::vector<std::string> header;
  std::vector<TableRow> rows;        // blank lines are left out
  std::vector<Problem> problems;     // lines that could not be split into values
  bool readable = true;              // false when the file is not a table at all
};

// Splits the file into rows. A UTF-8 byte order mark is allowed; lines end in
// LF, CR LF or a lone CR.
Table ParseTable(std::string_view bytes);

// The six columns a manifest must have, in the bank's order.
inline constexpr std::array<std::string_view, 6> kManifestColumns = {
    "题目", "参考答案", "解答过程", "单元", "正答", "错答"};

struct QuestionRow {
  int line = 0;
  // Picture file names relative to the pictures folder, with '/' between
  // folders; empty where the name itself is unusable (a problem says why).
  std::string question, answer, solution;
  std::string unit;  // UTF-8, known to convert to GBK
  int32_t correct = 0, wrong = 0;
  bool textOk = false;  // every value of the row passed the checks that need no files
};

struct Manifest {
  std::vector<std::string> header;     // column names, spaces around them dropped
  std::vector<QuestionRow> questions;  // every row with the right number of values
  std::vector<Problem> problems;
  bool usable = false;  // false when the header or the file as a whole is unusable
};

// Parses the table and checks every value that can be checked without the
// pictures: file names, units, counts, the same question picture named twice.
Manifest ReadManifest(std::string_view bytes);

// A count of answers: decimal digits only, 0 to 2147483647. Nothing, with the
// reason in `why`, otherwise.
std::optional<int32_t> ParseCount(std::string_view text, std::string& why);

// The name with '/' between folders and "." steps dropped, or nothing (with
// the reason in `why`) when it does not name a file inside the pictures
// folder.
std::optional<std::string> NormalisePictureName(std::string_view name, std::string& why);

// Why a unit text cannot be used; empty when it can.
std::string CheckUnit(std::string_view unit);

}  // namespace banktool
