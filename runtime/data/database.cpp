// Compiled with UTF-8 as its execution character set: its SQL goes to SQLite.
#include "runtime/data/database.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>

#include "runtime/data/encoding.h"

namespace rt {

// A prepared read of one field in record order. Walking the records one by one
// (composition) steps the statement forward instead of looking each record up
// afresh, so a walk costs about as much as one scan of the table.
struct Database::Cursor {
  std::string name;              // field name as the program gives it (GBK)
  sqlite3_stmt* stmt = nullptr;  // SELECT key, field ... WHERE key >= ?1 ORDER BY key
  bool onRow = false;
  int64_t rowKey = 0;    // key of the row the statement stands on
  bool missing = false;  // no such field in either table

  ~Cursor() { sqlite3_finalize(stmt); }

  bool Seek(int64_t key) {
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, key);
    return Step();
  }
  bool Step() {
    onRow = sqlite3_step(stmt) == SQLITE_ROW;
    rowKey = onRow ? sqlite3_column_int64(stmt, 0) : 0;
    return onRow;
  }
  // Positions the statement on the row with this key; false when there is none.
  bool MoveTo(int64_t key) {
    if (onRow && rowKey == key) return true;
    if (onRow && rowKey < key && Step() && rowKey == key) return true;
    return Seek(key) && rowKey == key;
  }
};

namespace {

// The bank's tables with their keys (UTF-8 here, for SQLite), in the order a
// field is looked for; the first one's keys number the records.
struct BankTable {
  const char* name;
  const char* key;
};
constexpr BankTable kBankTables[] = {
#define TESSALY_BANK_TABLE(table, key, keyDeclaration) {#table, key},
#define TESSALY_BANK_FIELD(identifier, name, declaration)
#include "runtime/data/question_bank.def"
#undef TESSALY_BANK_TABLE
#undef TESSALY_BANK_FIELD
};

std::string Quoted(const std::string& identifier) {
  std::string out = "\"";
  for (char c : identifier) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  return out + "\"";
}

bool HasColumn(sqlite3* db, const char* table, const std::string& column) {
  const std::string sql = "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return false;
  sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
  sqlite3_bind_text(stmt, 2, column.c_str(), -1, SQLITE_STATIC);
  const bool found = sqlite3_step(stmt) == SQLITE_ROW;
  sqlite3_finalize(stmt);
  return found;
}

// The one integer a query gives (null counts as 0); nothing when the query
// fails.
std::optional<int64_t> SingleInteger(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return std::nullopt;
  std::optional<int64_t> value;
  if (sqlite3_step(stmt) == SQLITE_ROW) value = sqlite3_column_int64(stmt, 0);
  if (sqlite3_step(stmt) != SQLITE_DONE) value.reset();
  sqlite3_finalize(stmt);
  return value;
}

}  // namespace

Database::Database() = default;
Database::~Database() { Close(); }

bool Database::Open(std::string_view gbkPath) { return OpenUtf8(GbkToUtf8(gbkPath)); }

bool Database::OpenFile(const std::filesystem::path& file) {
  const std::u8string path = file.u8string();
  return OpenUtf8(std::string(path.begin(), path.end()));
}

// SQLite takes file names as UTF-8 on every system.
bool Database::OpenUtf8(const std::string& path) {
  Close();
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    Close();
    return false;
  }
  // The bank is read through a view of the file rather than a read call per
  // page: counting the records and then walking them reads every page of
  // QuestionBank twice, and each read call costs far more than the page.
  sqlite3_exec(db_, "PRAGMA mmap_size = 2147418112", nullptr, nullptr, nullptr);
  // The record numbers. When the keys of QuestionBank are 1..n (the bank
  // tool numbers them so) record n is key n and no list is kept: a unique key,
  // the count and the least and greatest key settle that without reading
  // every row. Otherwise every 记录号 in ascending order. This also proves the file is a bank (a damaged
  // or foreign file fails here).
  //
  // The checks share one read transaction: each read transaction of its own
  // locks and unlocks the file, a request to the system each time.
  const BankTable& records = kBankTables[0];
  const std::string key = Quoted(records.key);
  const std::string table = Quoted(records.name);
  sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  const std::optional<int64_t> count = SingleInteger(db_, "SELECT count(*) FROM " + table);
  const std::optional<int64_t> least = SingleInteger(db_, "SELECT min(" + key + ") FROM " + table);
  const std::optional<int64_t> greatest = SingleInteger(db_, "SELECT max(" + key + ") FROM " + table);
  if (!count || !least || !greatest) {
    Close();
    return false;
  }
  // Only a key that is the table's whole primary key is known to be unique.
  const std::optional<int64_t> keyIsUnique =
      SingleInteger(db_, "SELECT count(*) = 1 AND sum(name = '" + std::string(records.key) +
                             "') = 1 FROM pragma_table_info('" + records.name + "') WHERE pk > 0");
  if (*count == 0 || (keyIsUnique == 1 && *least == 1 && *greatest == *count)) {
    recordCount_ = static_cast<size_t>(*count);
  } else if (!ReadKeys("SELECT " + key + " FROM " + table + " ORDER BY " + key)) {
    Close();
    return false;
  }
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  current_ = 1;
  return true;
}

bool Database::ReadKeys(const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) return false;
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) keys_.push_back(sqlite3_column_int64(stmt, 0));
  sqlite3_finalize(stmt);
  recordCount_ = keys_.size();
  return rc == SQLITE_DONE;
}

void Database::Close() {
  cursors_.clear();
  keys_.clear();
  keys_.shrink_to_fit();
  recordCount_ = 0;
  current_ = 1;
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Database::Skip(int32_t count) {
  // Added in 64 bits: a count near the ends of the range must clamp, not wrap.
  const int64_t target = std::clamp<int64_t>(int64_t{current_} + count, 1, int64_t{RecordCount()} + 1);
  GoTo(static_cast<int32_t>(target));
}

void Database::GoTo(int32_t record) {
  if (record < 1) record = 1;
  if (record > RecordCount() + 1) record = RecordCount() + 1;
  current_ = record;
}

Database::Cursor* Database::CursorFor(std::string_view gbkName) {
  for (auto& cursor : cursors_) {
    if (cursor->name == gbkName) return cursor.get();
  }
  const std::string utf8Name = GbkToUtf8(gbkName);
  auto cursor = std::make_unique<Cursor>();
  cursor->name = std::string(gbkName);
  for (const BankTable& table : kBankTables) {
    if (!HasColumn(db_, table.name, utf8Name)) continue;
    const std::string key = Quoted(table.key);
    const std::string sql = "SELECT " + key + ", " + Quoted(utf8Name) + " FROM " + Quoted(table.name) + " WHERE " +
                            key + " >= ?1 ORDER BY " + key;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &cursor->stmt, nullptr) != SQLITE_OK) cursor->stmt = nullptr;
    break;
  }
  cursor->missing = cursor->stmt == nullptr;
  cursors_.push_back(std::move(cursor));
  return cursors_.back().get();
}

FieldValue Database::ReadField(std::string_view gbkName) {
  FieldValue value;
  if (!db_ || current_ < 1 || current_ > RecordCount()) return value;
  Cursor* cursor = CursorFor(gbkName);
  if (cursor->missing || !cursor->MoveTo(KeyOf(current_))) return value;
  sqlite3_stmt* stmt = cursor->stmt;
  switch (sqlite3_column_type(stmt, 1)) {
    case SQLITE_BLOB: {
      value.kind = FieldValue::Kind::Bytes;
      const void* bytes = sqlite3_column_blob(stmt, 1);
      value.bytes = ByteSet(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt, 1)));
      break;
    }
    case SQLITE_TEXT: {
      value.kind = FieldValue::Kind::Text;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
      value.text = Utf8ToGbk(std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt, 1))));
      break;
    }
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      value.kind = FieldValue::Kind::Number;
      value.number = sqlite3_column_double(stmt, 1);
      break;
    default:
      break;
  }
  return value;
}

std::string QuestionBankSchema() {
  std::string sql;
#define TESSALY_BANK_TABLE(table, key, keyDeclaration) \
  sql += std::string(sql.empty() ? "" : ");\n") + "CREATE TABLE " #table " (\n  " key " " keyDeclaration;
#define TESSALY_BANK_FIELD(identifier, name, declaration) sql += ",\n  " name " " declaration;
#include "runtime/data/question_bank.def"
#undef TESSALY_BANK_TABLE
#undef TESSALY_BANK_FIELD
  return sql + ");\n";
}

}  // namespace rt
