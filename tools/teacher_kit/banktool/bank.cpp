#include "tools/teacher_kit/banktool/bank.h"

#include <sqlite3.h>

#include <array>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "runtime/data/database.h"
#include "tools/teacher_kit/banktool/boards.h"
#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

// The bank's tables, keys and fields as runtime/data/question_bank.def has them,
// which is what the program reads: kTableQuestionBank, kKeyQuestionBank,
// kFieldUnit and so on; and the tool's own table of sources,
// kTableQuestionSources, kFieldQuestionText and so on.
#define TESSALY_BANK_TABLE(table, key, keyDeclaration) \
  constexpr std::string_view kTable##table = #table;   \
  constexpr std::string_view kKey##table = key;
#define TESSALY_BANK_FIELD(identifier, name, declaration) constexpr std::string_view kField##identifier = name;
#define TESSALY_BANK_SOURCE_TABLE TESSALY_BANK_TABLE
#define TESSALY_BANK_SOURCE_FIELD TESSALY_BANK_FIELD
#include "runtime/data/question_bank.def"
#undef TESSALY_BANK_TABLE
#undef TESSALY_BANK_FIELD
#undef TESSALY_BANK_SOURCE_TABLE
#undef TESSALY_BANK_SOURCE_FIELD

// The statement that makes the table of sources.
std::string SourcesSchema() {
  std::string sql;
#define TESSALY_BANK_TABLE(table, key, keyDeclaration)
#define TESSALY_BANK_FIELD(identifier, name, declaration)
#define TESSALY_BANK_SOURCE_TABLE(table, key, keyDeclaration) \
  sql += "CREATE TABLE " #table " (\n  " key " " keyDeclaration;
#define TESSALY_BANK_SOURCE_FIELD(identifier, name, declaration) sql += ",\n  " name " " declaration;
#include "runtime/data/question_bank.def"
#undef TESSALY_BANK_TABLE
#undef TESSALY_BANK_FIELD
#undef TESSALY_BANK_SOURCE_TABLE
#undef TESSALY_BANK_SOURCE_FIELD
  return sql + ");\n";
}

const std::array<std::string_view, 3> kSourceTextFields = {kFieldQuestionText, kFieldReferenceAnswerText,
                                                           kFieldSolutionText};

// "a, b, c"
std::string List(std::initializer_list<std::string_view> names) {
  std::string out;
  for (const std::string_view name : names) out.append(out.empty() ? "" : ", ").append(name);
  return out;
}

const std::array<std::string_view, 3> kPictureFields = {kFieldQuestion, kFieldReferenceAnswer, kFieldSolution};

std::string DatabaseError(sqlite3* db) { return db ? sqlite3_errmsg(db) : Say(Msg::DatabaseOutOfMemory); }

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

std::string FormatNumber(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_INTEGER) {
    return std::to_string(sqlite3_column_int64(statement, column));
  }
  return ColumnText(statement, column);
}

std::string ColumnBlob(sqlite3_stmt* statement, int column) {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
  return bytes ? std::string(bytes, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : std::string();
}

// How many leading bytes of a picture are read for its kind and size: enough
// for any header but a JPEG's with much metadata before its frame marker,
// whose whole picture is read instead.
constexpr int kHeadBytes = 64 * 1024;

// Whether the bank has the table.
bool HasTable(sqlite3* db, std::string_view table) {
  sqlite3_stmt* statement = nullptr;
  bool found = false;
  if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", -1, &statement,
                         nullptr) == SQLITE_OK) {
    sqlite3_bind_text64(statement, 1, table.data(), table.size(), SQLITE_STATIC, SQLITE_UTF8);
    found = sqlite3_step(statement) == SQLITE_ROW;
  }
  sqlite3_finalize(statement);
  return found;
}

// Opens an existing bank read-only; null after writing the reason to `error`.
sqlite3* OpenBank(const fs::path& path, std::string& error) {
  const std::string name = PathToUtf8(path);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) {
    error = Say(Msg::NoSuchFile, name);
    return nullptr;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    error = Say(Msg::BankCannotOpen, name, DatabaseError(db));
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

}  // namespace

BankWriter::~BankWriter() { Close(); }

void BankWriter::Close() {
  sqlite3_finalize(addQuestion_);
  sqlite3_finalize(addPictures_);
  sqlite3_finalize(addSources_);
  addQuestion_ = addPictures_ = addSources_ = nullptr;
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

bool BankWriter::Run(const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message ? message : DatabaseError(db_);
  sqlite3_free(message);
  return false;
}

bool BankWriter::Create(const fs::path& path, std::string& error) {
  const std::string name = PathToUtf8(path);
  if (sqlite3_open_v2(name.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    error = DatabaseError(db_);
    Close();
    return false;
  }
  // The journal only has to serve this one transaction: keep it in memory.
  if (!Run("PRAGMA journal_mode=MEMORY", error) || !Run(rt::QuestionBankSchema().c_str(), error) ||
      !Run("BEGIN", error)) {
    Close();
    return false;
  }
  const std::string addQuestion = "INSERT INTO " + std::string(kTableQuestionBank) + " (" +
                                  List({kKeyQuestionBank, kFieldUnit, kFieldCorrect, kFieldWrong}) +
                                  ") VALUES (?, ?, ?, ?)";
  const std::string addPictures = "INSERT INTO " + std::string(kTableQuestionPictures) + " (" +
                                  List({kKeyQuestionPictures, kFieldQuestion, kFieldReferenceAnswer, kFieldSolution}) +
                                  ") VALUES (?, ?, ?, ?)";
  if (sqlite3_prepare_v2(db_, addQuestion.c_str(), -1, &addQuestion_, nullptr) != SQLITE_OK ||
      sqlite3_prepare_v2(db_, addPictures.c_str(), -1, &addPictures_, nullptr) != SQLITE_OK) {
    error = DatabaseError(db_);
    Close();
    return false;
  }
  return true;
}

bool BankWriter::Add(int32_t record, std::string_view unit, int32_t correct, int32_t wrong, std::string_view question,
                     std::string_view answer, std::string_view solution, std::string& error) {
  sqlite3_bind_int(addQuestion_, 1, record);
  sqlite3_bind_text64(addQuestion_, 2, unit.data(), unit.size(), SQLITE_STATIC, SQLITE_UTF8);
  sqlite3_bind_int(addQuestion_, 3, correct);
  sqlite3_bind_int(addQuestion_, 4, wrong);
  sqlite3_bind_int(addPictures_, 1, record);
  const std::array<std::string_view, 3> pictures = {question, answer, solution};
  for (int i = 0; i < 3; ++i) {
    // An empty blob must still be a blob, not NULL: give it a non-null pointer.
    const char* bytes = pictures[i].data() ? pictures[i].data() : "";
    sqlite3_bind_blob64(addPictures_, i + 2, bytes, pictures[i].size(), SQLITE_STATIC);
  }
  const bool ok = sqlite3_step(addQuestion_) == SQLITE_DONE && sqlite3_step(addPictures_) == SQLITE_DONE;
  if (!ok) error = DatabaseError(db_);
  sqlite3_reset(addQuestion_);
  sqlite3_reset(addPictures_);
  sqlite3_clear_bindings(addQuestion_);
  sqlite3_clear_bindings(addPictures_);
  return ok;
}

bool BankWriter::AddSources(int32_t record, const StoredSources& sources, std::string& error) {
  if (!addSources_) {
    const std::string addSources = "INSERT INTO " + std::string(kTableQuestionSources) + " (" +
                                   List({kKeyQuestionSources, kSourceTextFields[0], kSourceTextFields[1],
                                         kSourceTextFields[2], kFieldFigure, kFieldFigurePlace}) +
                                   ") VALUES (?, ?, ?, ?, ?, ?)";
    if (!Run(SourcesSchema().c_str(), error)) return false;
    if (sqlite3_prepare_v2(db_, addSources.c_str(), -1, &addSources_, nullptr) != SQLITE_OK) {
      error = DatabaseError(db_);
      return false;
    }
  }
  // Empty values stay NULL: the parameters are cleared after every row.
  sqlite3_bind_int(addSources_, 1, record);
  for (int i = 0; i < 3; ++i) {
    const std::string& text = sources.texts[static_cast<size_t>(i)];
    if (!text.empty()) sqlite3_bind_text64(addSources_, i + 2, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
  }
  if (!sources.figure.empty()) {
    sqlite3_bind_blob64(addSources_, 5, sources.figure.data(), sources.figure.size(), SQLITE_STATIC);
  }
  if (!sources.place.empty()) {
    sqlite3_bind_text64(addSources_, 6, sources.place.data(), sources.place.size(), SQLITE_STATIC, SQLITE_UTF8);
  }
  const bool ok = sqlite3_step(addSources_) == SQLITE_DONE;
  if (!ok) error = DatabaseError(db_);
  sqlite3_reset(addSources_);
  sqlite3_clear_bindings(addSources_);
  return ok;
}

bool BankWriter::Finish(std::string& error) {
  if (!db_) {
    error = Say(Msg::BankNotOpen);
    return false;
  }
  const bool committed = Run("COMMIT", error);
  sqlite3_finalize(addQuestion_);
  sqlite3_finalize(addPictures_);
  sqlite3_finalize(addSources_);
  addQuestion_ = addPictures_ = addSources_ = nullptr;
  const bool closed = sqlite3_close(db_) == SQLITE_OK;
  if (committed && !closed) error = DatabaseError(db_);
  db_ = nullptr;
  return committed && closed;
}

namespace {

// The check of one bank, in its phases: Open (the file, its question count,
// the listing's query), Records (each record's number, fields and pictures),
// Orphans (pictures whose question is gone), then the file is closed.
class BankCheck {
 public:
  BankCheck(const fs::path& path, std::ostream& out, std::ostream& err, int& warnings)
      : path_(path), name_(PathToUtf8(path)), out_(out), err_(err), warnings_(warnings) {
    warnings_ = 0;
  }
  ~BankCheck() {
    sqlite3_finalize(rows_);
    sqlite3_close(db_);
  }
  BankCheck(const BankCheck&) = delete;
  BankCheck& operator=(const BankCheck&) = delete;

  bool Open();
  void Records();
  void Orphans();
  int faults() const { return faults_; }

 private:
  void Fault(int64_t record, const std::string& text) {
    err_ << Say(Msg::CheckRecordFault, name_, record, text) << "\n";
    ++faults_;
  }
  void Warn(int64_t record, const std::string& text) {
    err_ << Say(Msg::CheckRecordWarning, name_, record, text) << "\n";
    ++warnings_;
  }
  void Pictures(int64_t record);
  std::string WholePicture(int64_t record, size_t field) const;

  const fs::path path_;
  const std::string name_;
  std::ostream& out_;
  std::ostream& err_;
  int& warnings_;
  int faults_ = 0;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* rows_ = nullptr;
  const std::string questionTable_{kTableQuestionBank}, pictureTable_{kTableQuestionPictures};
  const std::string key_ = "q." + std::string(kKeyQuestionBank), pictureKey_ = "p." + std::string(kKeyQuestionPictures);
  const std::string unit_{kFieldUnit}, correct_{kFieldCorrect}, wrong_{kFieldWrong};
};

bool BankCheck::Open() {
  std::string error;
  db_ = OpenBank(path_, error);
  if (!db_) {
    err_ << error << "\n";
    return false;
  }
  // Only the first bytes of each picture are read, as a rule not the whole picture.
  std::string sql = "SELECT " + key_ + ", typeof(q." + unit_ + "), q." + unit_ + ", typeof(q." + correct_ + "), q." +
                    correct_ + ", typeof(q." + wrong_ + "), q." + wrong_ + ", " + pictureKey_ + " IS NOT NULL";
  for (const std::string_view field : kPictureFields) {
    const std::string column = "p." + std::string(field);
    sql += ", typeof(" + column + "), length(" + column + "), substr(" + column + ", 1, " + std::to_string(kHeadBytes) +
           ")";
  }
  sql += " FROM " + questionTable_ + " q LEFT JOIN " + pictureTable_ + " p ON " + pictureKey_ + " = " + key_ +
         " ORDER BY " + key_;
  sqlite3_stmt* count = nullptr;
  const bool ok =
      sqlite3_prepare_v2(db_, ("SELECT count(*) FROM " + questionTable_).c_str(), -1, &count, nullptr) == SQLITE_OK &&
      sqlite3_step(count) == SQLITE_ROW && sqlite3_prepare_v2(db_, sql.c_str(), -1, &rows_, nullptr) == SQLITE_OK;
  if (ok) {
    const auto questions = static_cast<size_t>(sqlite3_column_int64(count, 0));
    out_ << Say(Msg::CheckCount, name_, SayCount(questions, Msg::Questions1, Msg::QuestionsN)) << "\n";
  } else {
    err_ << Say(Msg::NotABank, name_, DatabaseError(db_)) << "\n";
  }
  sqlite3_finalize(count);
  return ok;
}

void BankCheck::Records() {
  int64_t expected = 1;
  int step;
  while ((step = sqlite3_step(rows_)) == SQLITE_ROW) {
    const int64_t record = sqlite3_column_int64(rows_, 0);
    if (record != expected) Fault(record, Say(Msg::RecordOutOfSequence, expected));
    expected = record + 1;
    out_ << "  " << record << "  " << unit_ << " " << Quoted(ColumnText(rows_, 2)) << "  " << correct_ << " "
         << FormatNumber(rows_, 4) << "  " << wrong_ << " " << FormatNumber(rows_, 6);
    if (ColumnText(rows_, 1) != "text") Fault(record, Say(Msg::FieldWrongType, unit_, ColumnText(rows_, 1)));
    for (const int column : {3, 5}) {
      const std::string type = ColumnText(rows_, column);
      if (type != "integer" && type != "real") {
        Fault(record, Say(Msg::FieldNotNumber, column == 3 ? correct_ : wrong_, type));
      }
    }
    if (sqlite3_column_int(rows_, 7) == 0) {
      out_ << Say(Msg::NoPictures) << "\n";
      Fault(record, Say(Msg::NoPictureRow, pictureTable_));
      continue;
    }
    Pictures(record);
    out_ << "\n";
  }
  if (step != SQLITE_DONE) {
    err_ << Say(Msg::CannotRead, name_, DatabaseError(db_)) << "\n";
    ++faults_;
  }
}

// The three pictures of the record on the current row: kind, length, size
// in pixels against the drawing board.
void BankCheck::Pictures(int64_t record) {
  for (int i = 0; i < 3; ++i) {
    const int column = 8 + 3 * i;
    const std::string type = ColumnText(rows_, column);
    const int64_t size = sqlite3_column_int64(rows_, column + 1);
    if (type != "blob") {
      out_ << "  " << kPictureFields[i] << " " << type;
      Fault(record, Say(Msg::PictureFieldNotFile, kPictureFields[i], type));
      continue;
    }
    const std::string head = ColumnBlob(rows_, column + 2);
    const PictureKind kind = SniffPicture(std::string_view(head).substr(0, kSniffBytes), static_cast<uint64_t>(size));
    out_ << Say(Msg::CheckPictureBytes, kPictureFields[i], PictureKindName(kind), size);
    if (kind == PictureKind::kNone) {
      Fault(record, Say(Msg::PictureFieldNotPicture, kPictureFields[i]));
      continue;
    }
    std::string why;
    std::optional<PictureSize> pixels = ReadPictureSize(head, why);
    if (!pixels && size > static_cast<int64_t>(head.size())) pixels = ReadPictureSize(WholePicture(record, i), why);
    const PictureBoard& board = PictureBoards()[i];
    const std::string boardText = Say(Msg::BoardText, Say(board.name), FormatSize(board.size));
    if (!pixels) {
      Warn(record, Say(Msg::SizeUnreadable, kPictureFields[i], boardText, why));
      continue;
    }
    out_ << " " << FormatSize(*pixels);
    if (!FitsBoard(*pixels, board.size)) {
      Warn(record,
           Say(Msg::CheckPictureTooLarge, kPictureFields[i], FormatSize(*pixels), boardText, FormatSize(board.size)));
    }
  }
}

// A whole picture, for a header longer than kHeadBytes.
std::string BankCheck::WholePicture(int64_t record, size_t field) const {
  sqlite3_stmt* whole = nullptr;
  const std::string sql = "SELECT " + std::string(kPictureFields[field]) + " FROM " + pictureTable_ + " WHERE " +
                          std::string(kKeyQuestionPictures) + " = ?";
  std::string bytes;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &whole, nullptr) == SQLITE_OK) {
    sqlite3_bind_int64(whole, 1, record);
    if (sqlite3_step(whole) == SQLITE_ROW) bytes = ColumnBlob(whole, 0);
  }
  sqlite3_finalize(whole);
  return bytes;
}

// Pictures whose question is gone are dead weight in the file.
void BankCheck::Orphans() {
  sqlite3_stmt* orphans = nullptr;
  const std::string orphaned = "SELECT count(*) FROM " + pictureTable_ + " p WHERE " + pictureKey_ +
                               " NOT IN (SELECT " + key_ + " FROM " + questionTable_ + " q)";
  if (sqlite3_prepare_v2(db_, orphaned.c_str(), -1, &orphans, nullptr) == SQLITE_OK &&
      sqlite3_step(orphans) == SQLITE_ROW && sqlite3_column_int64(orphans, 0) > 0) {
    err_ << Say(Msg::OrphanPictureRows, name_, pictureTable_, sqlite3_column_int64(orphans, 0)) << "\n";
    ++faults_;
  }
  sqlite3_finalize(orphans);
}

}  // namespace

int CheckBank(const fs::path& path, std::ostream& out, std::ostream& err, int& warnings) {
  BankCheck check(path, out, err, warnings);
  if (!check.Open()) return -1;
  check.Records();
  check.Orphans();
  return check.faults();
}

bool ReadBank(const fs::path& path, const std::function<bool(const BankQuestion&)>& each, std::string& error) {
  sqlite3* db = OpenBank(path, error);
  if (!db) return false;
  const std::string key = "q." + std::string(kKeyQuestionBank), pictureKey = "p." + std::string(kKeyQuestionPictures);
  std::string sql = "SELECT " + key + ", q." + std::string(kFieldUnit) + ", q." + std::string(kFieldCorrect) + ", q." +
                    std::string(kFieldWrong);
  for (const std::string_view field : kPictureFields) sql += ", p." + std::string(field);
  // The sources, in a bank that has them: whether the question has a row, then its fields.
  const bool hasSources = HasTable(db, kTableQuestionSources);
  const std::string sourceKey = "s." + std::string(kKeyQuestionSources);
  if (hasSources) {
    sql += ", " + sourceKey + " IS NOT NULL";
    for (const std::string_view field : kSourceTextFields) sql += ", s." + std::string(field);
    sql += ", s." + std::string(kFieldFigure) + ", s." + std::string(kFieldFigurePlace);
  }
  sql += " FROM " + std::string(kTableQuestionBank) + " q LEFT JOIN " + std::string(kTableQuestionPictures) + " p ON " +
         pictureKey + " = " + key;
  if (hasSources) sql += " LEFT JOIN " + std::string(kTableQuestionSources) + " s ON " + sourceKey + " = " + key;
  sql += " ORDER BY " + key;
  sqlite3_stmt* rows = nullptr;
  bool ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &rows, nullptr) == SQLITE_OK;
  if (!ok) error = Say(Msg::NotABank, PathToUtf8(path), DatabaseError(db));
  int step = SQLITE_DONE;
  BankQuestion question;
  while (ok && (step = sqlite3_step(rows)) == SQLITE_ROW) {
    question.record = sqlite3_column_int64(rows, 0);
    question.unit = ColumnText(rows, 1);
    question.correct = FormatNumber(rows, 2);
    question.wrong = FormatNumber(rows, 3);
    for (int i = 0; i < 3; ++i) question.pictures[static_cast<size_t>(i)] = ColumnBlob(rows, 4 + i);
    question.sources.reset();
    if (hasSources && sqlite3_column_int(rows, 7) != 0) {
      StoredSources& sources = question.sources.emplace();
      for (int i = 0; i < 3; ++i) sources.texts[static_cast<size_t>(i)] = ColumnText(rows, 8 + i);
      sources.figure = ColumnBlob(rows, 11);
      sources.place = ColumnText(rows, 12);
    }
    if (!each(question)) break;
  }
  if (ok && step != SQLITE_ROW && step != SQLITE_DONE) {
    error = Say(Msg::CannotRead, PathToUtf8(path), DatabaseError(db));
    ok = false;
  }
  sqlite3_finalize(rows);
  sqlite3_close(db);
  return ok;
}

}  // namespace banktool
