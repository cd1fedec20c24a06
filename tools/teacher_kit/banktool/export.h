// A bank written back to what banktool build takes: a question set
// (question_set.h) holding the table of questions with its sources, the
// pictures and figures, and, when the bank has a keyword file, the keyword list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

struct ExportResult {
  bool ok = false;
  std::string error;
  std::vector<std::string> notes;  // what banktool build would refuse or change in what was written
  int questions = 0;
  int withSources = 0;    // rows whose source columns were filled from QuestionSources
  bool keywords = false;  // 关键词列表.txt was written
  bool archive = false;   // the set went into a zip archive
};

// Writes the questions of `bank` (a bank file, or a folder holding
// 填空题题库.db) as a question set into `out`: a folder, which must not exist
// or be empty, or, when `out` ends in ".zip", a new zip archive (names stored
// as UTF-8 and marked so) that must not exist. It holds
//   题目表.csv      UTF-8 with a byte order mark and CR LF line ends, one row
//                   per record in record order: the six columns and the five
//                   source columns, filled from QuestionSources for a record
//                   that has a row there (empty otherwise); a value holding a
//                   comma, a quote, a line break or spaces at either end is
//                   quoted, its line breaks kept as stored
//   图片/           the pictures as stored, named q<record>, a<record> and
//                   s<record>, and the figures, f<record>, each with the
//                   extension of its kind (.gif, .png, .jpg, .bmp)
//   关键词列表.txt  UTF-8, one keyword per CR LF line: 关键词.txt beside the
//                   bank, when there is one
// Building the set gives a bank with the same records, units, counts,
// pictures, sources and keyword file. On failure nothing it wrote is left
// behind.
ExportResult ExportBank(const fs::path& bank, const fs::path& out);

}  // namespace banktool
