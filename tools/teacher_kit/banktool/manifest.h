// The teacher's list of questions: a UTF-8 table, one row per question, in
// CSV (commas, values may be double-quoted, and a quoted value may run over
// several lines, as spreadsheets write a cell holding line breaks) or TSV
// (tabs, values taken as they stand, one row a line) form, told apart by the
// header row. A row is numbered by the line of the file it begins on, the
// header being row 1, so that a message points at the line an editor shows.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

struct TableRow {
  int line = 0;                     // the line the row begins on
  std::vector<std::string> fields;  // as written, quotes removed
};

struct Table {
  bool tabs = false;  // TSV; otherwise CSV
  bool gbk = false;   // the file was not UTF-8 but GBK, as a spreadsheet's
                      // plain "CSV" is saved on a Chinese PC; the values are
                      // UTF-8 all the same
  std::vector<std::string> header;
  std::vector<TableRow> rows;     // blank lines are left out
  std::vector<Problem> problems;  // rows that could not be split into values
  bool readable = true;           // false when the file is not a table at all
};

// Splits the file into rows. A UTF-8 byte order mark is allowed; a file that
// is not UTF-8 is read as GBK when it is well-formed GBK. Lines end in LF,
// CR LF or a lone CR. What spreadsheets leave behind is dropped: empty
// columns at the right of the header (and the empty values under them), and
// rows of nothing but empty values. A line break inside a quoted CSV value is kept in the
// value as written.
Table ParseTable(std::string_view bytes);

// The six columns a manifest must have, in the bank's order.
inline constexpr std::array<std::string_view, 6> kManifestColumns = {"题目", "参考答案", "解答过程",
                                                                     "单元", "正答",     "错答"};

// The optional columns that keep what the pictures were made from, as the
// question editor exports them: the typed text of each of the three pictures,
// the file of the figure placed in the question (in the pictures folder, like
// the pictures) and where it stands.
inline constexpr std::array<std::string_view, 5> kSourceColumns = {"题目文字", "参考答案文字", "解答过程文字", "插图",
                                                                   "插图位置"};
inline constexpr size_t kSourceTextColumns = 3;  // the first three are typed texts
inline constexpr std::string_view kFigureColumn = kSourceColumns[kSourceTextColumns];
inline constexpr std::string_view kFigurePlaceColumn = kSourceColumns[kSourceTextColumns + 1];
// Where a figure may stand; an empty 插图位置 means the first.
inline constexpr std::array<std::string_view, 2> kFigurePlaces = {"下方", "右侧"};
// The longest typed text a source column takes, in bytes: a question's text
// is a few hundred; anything far longer is something pasted by mistake.
inline constexpr size_t kLongestSourceText = 20000;

// What one question's pictures were made from. Texts are kept exactly as
// given (line breaks and spaces included), since the editor sets them again
// from these bytes.
struct QuestionSources {
  std::array<std::string, kSourceTextColumns> texts;  // 题目文字, 参考答案文字, 解答过程文字
  std::string figure;  // the figure's file name as NormalisePictureName gives it; empty: none
  std::string place;   // one of kFigurePlaces, or empty
  bool empty() const {
    return texts[0].empty() && texts[1].empty() && texts[2].empty() && figure.empty() && place.empty();
  }
};

struct QuestionRow {
  int line = 0;
  // Picture file names relative to the pictures folder, with '/' between
  // folders; empty where the name itself is unusable (a problem says why).
  std::string question, answer, solution;
  std::string unit;  // UTF-8, known to convert to GBK
  int32_t correct = 0, wrong = 0;
  QuestionSources sources;  // all empty for a row without source columns or values
  bool textOk = false;      // every value of the row passed the checks that need no files
};

struct Manifest {
  bool gbk = false;                    // the table was read as GBK (Table::gbk)
  std::vector<std::string> header;     // column names, spaces around them dropped
  std::vector<QuestionRow> questions;  // every row with the right number of values
  std::vector<Problem> problems;
  bool usable = false;  // false when the header or the file as a whole is unusable
};

// Parses the table and checks every value that can be checked without the
// pictures: file names, units, counts, the same question picture named twice,
// and the source columns that are there (texts no longer than
// kLongestSourceText without control characters but tabs and line breaks, a
// figure's file name, a place of kFigurePlaces).
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

// Why a typed source text (UTF-8) cannot be kept: longer than
// kLongestSourceText, or holding a control character other than a tab or a
// line break. Empty when it can.
std::string CheckSourceText(std::string_view text);

}  // namespace banktool
