// The database family: the question bank, an SQLite file read by record number
// and field name (the layout is described in docs/question-bank.md).
//
// Records are numbered 1..n in ascending 记录号 order of the table
// QuestionBank. There is one current record; reads act on it. Fields are found
// in QuestionBank first, then in QuestionPictures for the same 记录号.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/blocks.h"
#include "runtime/data/invariant.h"

struct sqlite3;
struct sqlite3_stmt;

namespace rt {

// A field value with its kind.
struct FieldValue {
  enum class Kind { Nothing, Bytes, Text, Number };
  Kind kind = Kind::Nothing;
  ByteSet bytes;
  Text text;  // GBK
  double number = 0;

  bool IsBytes() const { return kind == Kind::Bytes; }
  bool IsText() const { return kind == Kind::Text; }
  bool IsNumber() const { return kind == Kind::Number; }
};

class Database {
 public:
  Database();
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens the file read-only; false when it is missing, not an SQLite file or
  // has no table QuestionBank. After an open the current record is record 1.
  bool Open(std::string_view gbkPath);
  // The same for a file named by a path of any characters (the bank tool's).
  bool OpenFile(const std::filesystem::path& file);
  void Close();
  bool IsOpen() const { return db_ != nullptr; }

  int32_t RecordCount() const { return static_cast<int32_t>(recordCount_); }
  // 1-based; RecordCount() + 1 once a walk has gone past the last record.
  int32_t CurrentRecord() const { return current_; }
  void Skip(int32_t count);
  // Makes record n current (kept within 1..RecordCount() + 1).
  void GoTo(int32_t record);
  // The field of the current record; Nothing when there is no such field, no
  // current record or the value is NULL.
  FieldValue ReadField(std::string_view gbkName);

 private:
  struct Cursor;
  Cursor* CursorFor(std::string_view gbkName);
  bool OpenUtf8(const std::string& utf8Path);
  // Fills the list of keys from this query; false when it fails.
  bool ReadKeys(const std::string& sql);

  // 记录号 of record n.
  // The key of a record 1..RecordCount(), which its callers make sure of: a
  // record past the keys would read beside them and show another question.
  int64_t KeyOf(int32_t record) const {
    TESSALY_CHECK(record >= 1 && static_cast<size_t>(record) <= recordCount_);
    TESSALY_CHECK(keys_.empty() || keys_.size() == recordCount_);
    return keys_.empty() ? record : keys_[static_cast<size_t>(record - 1)];
  }

  sqlite3* db_ = nullptr;
  size_t recordCount_ = 0;
  // 记录号 of record n at index n - 1; empty when record n's 记录号 is n (the
  // bank tool's numbering), which spares a large bank a list as long as itself.
  std::vector<int64_t> keys_;
  int32_t current_ = 1;
  std::vector<std::unique_ptr<Cursor>> cursors_;
};

// The program's question bank, opened by bare name from the program directory
// (the family adds the directory and the extension ".db"). At most one is open.
bool OpenDatabase(std::string_view name);
void CloseDatabase();
int32_t RecordCount();
int32_t CurrentRecordNumber();
void SkipRecords(int32_t count);
void GoToRecord(int32_t record);
FieldValue ReadField(std::string_view name);

// True when the database file at this path (GBK) opens as a question bank;
// it is closed again at once. The program's own bank is not touched.
bool DatabaseOpens(std::string_view gbkPath);

inline constexpr const char* kDatabaseExtension = ".db";

// The SQL statements (UTF-8) that make the bank's empty tables, as
// question_bank.def lists them: what the bank tool writes and tests build.
std::string QuestionBankSchema();

}  // namespace rt
