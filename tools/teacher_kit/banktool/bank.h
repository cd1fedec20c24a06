// The question bank file: SQLite, with the tables QuestionBank (记录号, 单元,
// 正答, 错答) and QuestionPictures (记录号, 题目, 参考答案, 解答过程), as
// runtime/data/question_bank.def defines them for the program and the tool alike,
// and in a bank made from a question set with sources the tool's own table
// QuestionSources (记录号, 题目文字, 参考答案文字, 解答过程文字, 插图,
// 插图位置), which the program never reads.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "tools/teacher_kit/banktool/toolkit_names.h"

struct sqlite3;
struct sqlite3_stmt;

namespace banktool {

// What a question's pictures were made from, as the bank keeps it: a row of
// QuestionSources. An empty text, figure or place is stored as NULL.
struct StoredSources {
  std::array<std::string, 3> texts;  // UTF-8: the typed text of 题目, 参考答案, 解答过程
  std::string figure;                // the figure: a whole picture file
  std::string place;                 // where the figure stands: 下方 or 右侧
};

// Writes a new bank inside one transaction: nothing is in the file until
// Finish() succeeds.
class BankWriter {
 public:
  BankWriter() = default;
  BankWriter(const BankWriter&) = delete;
  BankWriter& operator=(const BankWriter&) = delete;
  ~BankWriter();

  // Creates the file (which must not exist) with the two tables.
  bool Create(const fs::path& path, std::string& error);
  // One question; `unit` is UTF-8, the pictures are whole image files.
  bool Add(int32_t record, std::string_view unit, int32_t correct, int32_t wrong, std::string_view question,
           std::string_view answer, std::string_view solution, std::string& error);
  // What question `record` (added already) was made from. The table
  // QuestionSources is made with the first; a bank given none has no such
  // table, as before there were sources.
  bool AddSources(int32_t record, const StoredSources& sources, std::string& error);
  // Commits and closes the file.
  bool Finish(std::string& error);

 private:
  bool Run(const char* sql, std::string& error);
  void Close();

  sqlite3* db_ = nullptr;
  sqlite3_stmt* addQuestion_ = nullptr;
  sqlite3_stmt* addPictures_ = nullptr;
  sqlite3_stmt* addSources_ = nullptr;
};

// Opens a bank read-only and lists its questions on `out`: record number,
// unit, counts, and each picture's kind, length and size in pixels. Faults (a
// record number out of the 1..n sequence, a value of the wrong kind, a picture
// that is not an image, a question without pictures) go to `err`, each on a
// line, and so do warnings (a picture larger than its drawing board, or whose
// size cannot be read), counted in `warnings`. Returns the number of faults,
// or -1 when the file cannot be read as a bank.
int CheckBank(const fs::path& path, std::ostream& out, std::ostream& err, int& warnings);

// One question as the bank holds it.
struct BankQuestion {
  int64_t record = 0;
  std::string unit;                      // UTF-8
  std::string correct, wrong;            // as stored: digits for a whole number
  std::array<std::string, 3> pictures;   // question, reference answer, solution; empty when missing
  std::optional<StoredSources> sources;  // its row of QuestionSources, when it has one
};

// Opens a bank read-only and hands its questions to `each` in record order,
// until `each` returns false. False, with the reason in `error`, when the file
// cannot be read as a bank.
bool ReadBank(const fs::path& path, const std::function<bool(const BankQuestion&)>& each, std::string& error);

}  // namespace banktool
