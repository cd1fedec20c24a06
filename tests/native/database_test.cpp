// The database family against real question bank files: opening, the record
// numbering, walking and jumping, and the kinds of the values read.
//
// The banks are written here with SQLite directly. SQLite wants UTF-8 while this
// file's ordinary literals are GBK, so everything handed to SQLite is a u8
// literal; the names and texts given to rt::Database stay GBK as in the program.
#include "runtime/data/database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using rt::Database;
using rt::FieldValue;
namespace fs = std::filesystem;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// GBK names of the fields, as the program reads them.
constexpr const char* kUnit = "单元";
constexpr const char* kRight = "正答";
constexpr const char* kWrong = "错答";
constexpr const char* kQuestion = "题目";
constexpr const char* kReference = "参考答案";
constexpr const char* kSolution = "解答过程";
constexpr const char* kKey = "记录号";

// A directory of its own under the system's temporary directory, removed with
// everything in it at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tessaly-db-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A bank file being written.
class BankWriter {
 public:
  // The tables as the bank tool writes them, unless the test gives others.
  explicit BankWriter(const fs::path& file, std::optional<std::string> schema = rt::QuestionBankSchema()) {
    ok_ = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (schema) Exec(*schema);
  }
  ~BankWriter() { sqlite3_close(db_); }

  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      ADD_FAILURE() << "SQL failed: " << (error ? error : "?") << " in " << sql;
      ok_ = false;
    }
    sqlite3_free(error);
  }
  void Exec(const char8_t* sql) { Exec(U8(sql)); }

  // A question row; the unit is UTF-8.
  void AddQuestion(int64_t key, const std::string& unit, int64_t right = 0, int64_t wrong = 0) {
    sqlite3_stmt* stmt = Prepare(u8"INSERT INTO QuestionBank VALUES (?1, ?2, ?3, ?4)");
    sqlite3_bind_int64(stmt, 1, key);
    sqlite3_bind_text(stmt, 2, unit.data(), static_cast<int>(unit.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 3, right);
    sqlite3_bind_int64(stmt, 4, wrong);
    Finish(stmt);
  }
  void AddQuestion(int64_t key, const char8_t* unit) { AddQuestion(key, U8(unit)); }

  void AddPictures(int64_t key, std::string_view question, std::string_view reference, std::string_view solution) {
    sqlite3_stmt* stmt = Prepare(u8"INSERT INTO QuestionPictures VALUES (?1, ?2, ?3, ?4)");
    sqlite3_bind_int64(stmt, 1, key);
    sqlite3_bind_blob(stmt, 2, question.data(), static_cast<int>(question.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(stmt, 3, reference.data(), static_cast<int>(reference.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(stmt, 4, solution.data(), static_cast<int>(solution.size()), SQLITE_TRANSIENT);
    Finish(stmt);
  }

  bool ok() const { return ok_; }

 private:
  sqlite3_stmt* Prepare(const char8_t* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, U8(sql).c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "prepare failed: " << sqlite3_errmsg(db_);
      ok_ = false;
    }
    return stmt;
  }
  void Finish(sqlite3_stmt* stmt) {
    if (sqlite3_step(stmt) != SQLITE_DONE) {
      ADD_FAILURE() << "insert failed: " << sqlite3_errmsg(db_);
      ok_ = false;
    }
    sqlite3_finalize(stmt);
  }

  sqlite3* db_ = nullptr;
  bool ok_ = false;
};

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.path().empty()) << "no temporary directory"; }

  // The path of a file in the temporary directory (ASCII, so GBK and UTF-8 alike).
  std::string PathOf(const std::string& name) const { return (dir_.path() / name).string(); }

  TempDir dir_;
  Database db_;
};

// The 单元 of the current record, or "<kind n>" when it is not text.
std::string UnitOf(Database& db) {
  const FieldValue value = db.ReadField(kUnit);
  if (!value.IsText()) return "<kind " + std::to_string(static_cast<int>(value.kind)) + ">";
  return std::string(value.text.view());
}

std::string BytesOf(const FieldValue& value) { return std::string(value.bytes.view()); }

void ExpectNothing(const FieldValue& value) {
  EXPECT_EQ(value.kind, FieldValue::Kind::Nothing);
  EXPECT_TRUE(value.bytes.empty());
  EXPECT_TRUE(value.text.empty());
  EXPECT_EQ(value.number, 0);
}

// --- Opening ---------------------------------------------------------------

TEST_F(DatabaseTest, MissingFileDoesNotOpen) {
  EXPECT_FALSE(db_.Open(PathOf("absent.db")));
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_EQ(db_.RecordCount(), 0);
  ExpectNothing(db_.ReadField(kUnit));
  // Opening read-only must not have created the file.
  EXPECT_FALSE(fs::exists(PathOf("absent.db")));
}

TEST_F(DatabaseTest, FileThatIsNotADatabaseDoesNotOpen) {
  {
    std::ofstream out(PathOf("notes.db"), std::ios::binary);
    for (int i = 0; i < 200; ++i) out << "this is a keyword list, not an SQLite file\r\n";
  }
  EXPECT_FALSE(db_.Open(PathOf("notes.db")));
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_EQ(db_.RecordCount(), 0);

  // An empty file is an empty database to SQLite: it has no QuestionBank.
  { std::ofstream out(PathOf("empty.db"), std::ios::binary); }
  EXPECT_FALSE(db_.Open(PathOf("empty.db")));
  EXPECT_FALSE(db_.IsOpen());
}

TEST_F(DatabaseTest, DatabaseWithoutQuestionBankDoesNotOpen) {
  {
    BankWriter bank(PathOf("other.db"), U8(u8"CREATE TABLE QuestionPictures (记录号 INTEGER PRIMARY KEY, 题目 BLOB);"
                                           u8"CREATE TABLE Questions (记录号 INTEGER PRIMARY KEY, 单元 TEXT);"
                                           u8"INSERT INTO Questions VALUES (1, '集合');"));
    ASSERT_TRUE(bank.ok());
  }
  EXPECT_FALSE(db_.Open(PathOf("other.db")));
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_EQ(db_.RecordCount(), 0);
  ExpectNothing(db_.ReadField(kUnit));
}

TEST_F(DatabaseTest, FailedOpenLeavesThePreviousBankClosed) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"集合");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  EXPECT_FALSE(db_.Open(PathOf("absent.db")));
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_EQ(db_.RecordCount(), 0);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  ExpectNothing(db_.ReadField(kUnit));
}

TEST_F(DatabaseTest, OpensByAGbkPathWithChineseNames) {
  // The directory and the file carry Chinese names: UTF-8 on disk, GBK in the program.
  const fs::path utf8Dir = dir_.path() / U8(u8"题库");
  ASSERT_TRUE(fs::create_directory(utf8Dir));
  {
    BankWriter bank(utf8Dir / U8(u8"填空题题库.db"));
    bank.AddQuestion(1, u8"函数");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(dir_.path().string() + "/题库/填空题题库.db"));
  EXPECT_EQ(db_.RecordCount(), 1);
  EXPECT_EQ(UnitOf(db_), "函数");
}

TEST_F(DatabaseTest, EveryOpenStartsAtRecordOne) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"一");
    bank.AddQuestion(2, u8"二");
    bank.AddQuestion(3, u8"三");
    ASSERT_TRUE(bank.ok());
  }
  {
    BankWriter other(PathOf("other.db"));
    other.AddQuestion(7, u8"七");
    other.AddQuestion(8, u8"八");
    ASSERT_TRUE(other.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  EXPECT_TRUE(db_.IsOpen());
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(db_.RecordCount(), 3);
  EXPECT_EQ(UnitOf(db_), "一");

  // Walk past the end, then open again: back at record 1.
  for (int i = 0; i < 3; ++i) db_.Skip(1);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(db_.RecordCount(), 3);
  EXPECT_EQ(UnitOf(db_), "一");

  // Mid-way, then another bank: record 1 of that bank.
  db_.GoTo(3);
  EXPECT_EQ(UnitOf(db_), "三");
  ASSERT_TRUE(db_.Open(PathOf("other.db")));
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(db_.RecordCount(), 2);
  EXPECT_EQ(UnitOf(db_), "七");
  db_.Skip(1);
  EXPECT_EQ(UnitOf(db_), "八");
}

TEST_F(DatabaseTest, EmptyTableHasNoRecords) {
  {
    BankWriter bank(PathOf("empty.db"));
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("empty.db")));
  EXPECT_EQ(db_.RecordCount(), 0);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  ExpectNothing(db_.ReadField(kUnit));
  ExpectNothing(db_.ReadField(kQuestion));
  db_.Skip(1);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  db_.GoTo(5);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  ExpectNothing(db_.ReadField(kUnit));
}

// --- Record order and position ------------------------------------------------

TEST_F(DatabaseTest, WalkFollowsAscendingKeysWithGapsAndOutOfOrderRows) {
  {
    BankWriter bank(PathOf("bank.db"));
    // Inserted out of order, with gaps, a zero and a negative key.
    bank.AddQuestion(11, u8"第五");
    bank.AddQuestion(3, u8"第三");
    bank.AddQuestion(-4, u8"第一");
    bank.AddQuestion(10, u8"第四");
    bank.AddQuestion(0, u8"第二");
    // With an index on 单元 a bare scan of the keys would follow the units
    // (第一 第三 第二 第五 第四 in UTF-8 order), not the keys.
    bank.Exec(u8"CREATE INDEX UnitIndex ON QuestionBank(单元)");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ASSERT_EQ(db_.RecordCount(), 5);
  std::vector<std::string> units;
  std::vector<double> keys;
  for (int record = 1; record <= db_.RecordCount(); ++record) {
    EXPECT_EQ(db_.CurrentRecord(), record);
    units.push_back(UnitOf(db_));
    const FieldValue key = db_.ReadField(kKey);
    EXPECT_TRUE(key.IsNumber());
    keys.push_back(key.number);
    db_.Skip(1);
  }
  EXPECT_EQ(units, (std::vector<std::string>{"第一", "第二", "第三", "第四", "第五"}));
  EXPECT_EQ(keys, (std::vector<double>{-4, 0, 3, 10, 11}));
  // Past the last record: number n + 1, nothing to read.
  EXPECT_EQ(db_.CurrentRecord(), 6);
  ExpectNothing(db_.ReadField(kUnit));
  db_.Skip(1);
  EXPECT_EQ(db_.CurrentRecord(), 6);
}

TEST_F(DatabaseTest, KeysNumberedFromOneThenAGapAreFollowed) {
  // The bank tool numbers records 1..n; a bank edited by hand may continue
  // with a gap after such a run, or be the run alone.
  for (const std::vector<int>& keys : {std::vector<int>{1, 2, 3, 7, 8}, std::vector<int>{1, 2, 3}}) {
    {
      BankWriter bank(PathOf("bank.db"));
      for (int key : keys) bank.AddQuestion(key, "unit " + std::to_string(key));
      ASSERT_TRUE(bank.ok());
    }
    ASSERT_TRUE(db_.Open(PathOf("bank.db")));
    ASSERT_EQ(db_.RecordCount(), static_cast<int32_t>(keys.size()));
    for (size_t record = keys.size(); record >= 1; --record) {  // backwards: each one looked up
      db_.GoTo(static_cast<int32_t>(record));
      EXPECT_EQ(UnitOf(db_), "unit " + std::to_string(keys[record - 1]));
      EXPECT_EQ(db_.ReadField(kKey).number, keys[record - 1]);
    }
    db_.GoTo(static_cast<int32_t>(keys.size()) + 1);
    ExpectNothing(db_.ReadField(kUnit));
    db_.Close();
    fs::remove(PathOf("bank.db"));
  }
}

TEST_F(DatabaseTest, KeysThatOnlyLookNumberedFromOneAreListed) {
  // A hand-made table whose 记录号 is no primary key may repeat a key: 1, 1, 3
  // has the count, least and greatest key of 1..3 and is still not 1..3.
  {
    BankWriter bank(PathOf("bank.db"),
                    U8(u8"CREATE TABLE QuestionBank (记录号 INTEGER, 单元 TEXT, 正答 INTEGER, 错答 INTEGER)"));
    for (int key : {1, 1, 3}) bank.AddQuestion(key, "unit " + std::to_string(key));
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ASSERT_EQ(db_.RecordCount(), 3);
  std::vector<double> keys;
  for (int record = 1; record <= 3; ++record, db_.Skip(1)) keys.push_back(db_.ReadField(kKey).number);
  EXPECT_EQ(keys, (std::vector<double>{1, 1, 3}));
}

TEST_F(DatabaseTest, GoToReadsThatRecordInAnyOrder) {
  // Keys 3, 10, 11 with pictures, so two cursors (one per table) move independently.
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(11, u8"C");
    bank.AddQuestion(3, u8"A");
    bank.AddQuestion(10, u8"B");
    bank.AddPictures(10, "qB", "rB", "sB");
    bank.AddPictures(3, "qA", "rA", "sA");
    bank.AddPictures(11, "qC", "rC", "sC");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ASSERT_EQ(db_.RecordCount(), 3);
  const std::string names = "ABC";
  for (int record : {3, 1, 2, 2, 1, 3, 3, 2, 1, 1, 3, 1}) {
    db_.GoTo(record);
    EXPECT_EQ(db_.CurrentRecord(), record);
    const std::string letter(1, names[static_cast<size_t>(record - 1)]);
    EXPECT_EQ(UnitOf(db_), letter) << "record " << record;
    EXPECT_EQ(BytesOf(db_.ReadField(kQuestion)), "q" + letter) << "record " << record;
    EXPECT_EQ(BytesOf(db_.ReadField(kSolution)), "s" + letter) << "record " << record;
  }
  // Skip backwards and forwards by more than one.
  db_.GoTo(3);
  db_.Skip(-2);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(BytesOf(db_.ReadField(kReference)), "rA");
  db_.Skip(2);
  EXPECT_EQ(BytesOf(db_.ReadField(kReference)), "rC");
  db_.Skip(-1);
  EXPECT_EQ(BytesOf(db_.ReadField(kReference)), "rB");
  EXPECT_EQ(UnitOf(db_), "B");
}

TEST_F(DatabaseTest, ManyRecordsReadInAScrambledOrder) {
  // Keys 5, 10, ..., 1000, with pictures for every third key only.
  constexpr int kCount = 200;
  {
    BankWriter bank(PathOf("bank.db"));
    bank.Exec(u8"BEGIN");
    for (int i = kCount; i >= 1; --i) {
      bank.AddQuestion(i * 5, "unit " + std::to_string(i), i, 2 * i);
      if (i % 3 == 0) bank.AddPictures(i * 5, "question " + std::to_string(i), "", "");
    }
    bank.Exec(u8"COMMIT");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ASSERT_EQ(db_.RecordCount(), kCount);
  // A fixed scramble: record r visited at step (r * 73) mod 200 + 1 is a permutation.
  for (int step = 0; step < kCount; ++step) {
    const int record = (step * 73) % kCount + 1;
    db_.GoTo(record);
    EXPECT_EQ(UnitOf(db_), "unit " + std::to_string(record));
    const FieldValue wrong = db_.ReadField(kWrong);
    EXPECT_TRUE(wrong.IsNumber());
    EXPECT_EQ(wrong.number, 2.0 * record);
    const FieldValue question = db_.ReadField(kQuestion);
    if (record % 3 == 0) {
      EXPECT_EQ(BytesOf(question), "question " + std::to_string(record)) << "record " << record;
    } else {
      ExpectNothing(question);
    }
  }
  // And a plain walk afterwards still sees every record in order.
  db_.GoTo(1);
  for (int record = 1; record <= kCount; ++record, db_.Skip(1)) {
    ASSERT_EQ(UnitOf(db_), "unit " + std::to_string(record));
    ASSERT_EQ(db_.ReadField(kRight).number, record);
  }
}

TEST_F(DatabaseTest, GoToAndSkipStayWithinTheRecords) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"甲");
    bank.AddQuestion(2, u8"乙");
    bank.AddQuestion(3, u8"丙");
    bank.AddPictures(3, "q", "r", "s");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  db_.GoTo(0);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(UnitOf(db_), "甲");
  db_.GoTo(-7);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  db_.GoTo(INT32_MIN);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  db_.GoTo(4);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  ExpectNothing(db_.ReadField(kUnit));
  ExpectNothing(db_.ReadField(kQuestion));
  db_.GoTo(100);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  ExpectNothing(db_.ReadField(kUnit));
  db_.GoTo(INT32_MAX);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  ExpectNothing(db_.ReadField(kQuestion));
  db_.Skip(-100);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  db_.Skip(100);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  db_.Skip(-1);
  EXPECT_EQ(db_.CurrentRecord(), 3);
  EXPECT_EQ(UnitOf(db_), "丙");
  EXPECT_EQ(BytesOf(db_.ReadField(kQuestion)), "q");
  // Counts at the ends of the integer range clamp as well, whatever the position.
  db_.GoTo(2);
  db_.Skip(INT32_MAX);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  db_.Skip(INT32_MAX);
  EXPECT_EQ(db_.CurrentRecord(), 4);
  db_.Skip(INT32_MIN);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  db_.GoTo(2);
  db_.Skip(INT32_MIN);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  db_.Skip(0);
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(UnitOf(db_), "甲");
}

// --- Kinds of values -----------------------------------------------------------

TEST_F(DatabaseTest, BlobsAreReadAsExactBytes) {
  std::string big(1 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  const std::string withZeros("GIF89a\0\0\x01\0\xFF\0", 12);
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"大");
    bank.AddQuestion(2, u8"零");
    bank.AddPictures(1, big, withZeros, "x");
    bank.AddPictures(2, withZeros, "", std::string(1, '\0'));
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  FieldValue question = db_.ReadField(kQuestion);
  ASSERT_TRUE(question.IsBytes());
  EXPECT_EQ(question.bytes.size(), big.size());
  EXPECT_TRUE(BytesOf(question) == big);  // no dump of a megabyte on failure
  FieldValue reference = db_.ReadField(kReference);
  ASSERT_TRUE(reference.IsBytes());
  EXPECT_EQ(BytesOf(reference), withZeros);

  db_.Skip(1);
  question = db_.ReadField(kQuestion);
  ASSERT_TRUE(question.IsBytes());
  EXPECT_EQ(BytesOf(question), withZeros);
  // An empty blob is still a byte set, just an empty one.
  reference = db_.ReadField(kReference);
  EXPECT_TRUE(reference.IsBytes());
  EXPECT_TRUE(reference.bytes.empty());
  const FieldValue solution = db_.ReadField(kSolution);
  ASSERT_TRUE(solution.IsBytes());
  EXPECT_EQ(BytesOf(solution), std::string(1, '\0'));

  // Back to the big one.
  db_.GoTo(1);
  EXPECT_TRUE(BytesOf(db_.ReadField(kQuestion)) == big);
}

TEST_F(DatabaseTest, TextIsHandedOverAsGbk) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"第一章 集合与函数 A1");
    bank.AddQuestion(2, u8"plain ASCII");
    bank.AddQuestion(3, u8"");
    bank.AddQuestion(4, u8"函数😀图像");  // the emoji has no GBK form
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  FieldValue unit = db_.ReadField(kUnit);
  ASSERT_TRUE(unit.IsText());
  EXPECT_EQ(unit.text, "第一章 集合与函数 A1");
  EXPECT_EQ(unit.text, "\xB5\xDA\xD2\xBB\xD5\xC2 \xBC\xAF\xBA\xCF\xD3\xEB\xBA\xAF\xCA\xFD A1");
  db_.Skip(1);
  unit = db_.ReadField(kUnit);
  ASSERT_TRUE(unit.IsText());
  EXPECT_EQ(unit.text, "plain ASCII");
  db_.Skip(1);
  unit = db_.ReadField(kUnit);
  EXPECT_TRUE(unit.IsText());
  EXPECT_TRUE(unit.text.empty());
  db_.Skip(1);
  unit = db_.ReadField(kUnit);
  ASSERT_TRUE(unit.IsText());
  EXPECT_EQ(unit.text, "函数?图像");
}

TEST_F(DatabaseTest, NumbersAreWidenedToDouble) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.Exec(u8"INSERT INTO QuestionBank VALUES (1, 'a', 3, 2.5)");
    bank.Exec(u8"INSERT INTO QuestionBank VALUES (2, 'b', -128, 127)");
    bank.Exec(u8"INSERT INTO QuestionBank VALUES (3, 'c', 4611686018427387904, -9223372036854775808)");
    bank.Exec(u8"INSERT INTO QuestionBank VALUES (4, 'd', 1099511627776, -0.125)");
    bank.Exec(u8"INSERT INTO QuestionBank VALUES (5, 'e', '42', 0)");  // numeric text takes the column's type
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  const std::vector<std::pair<double, double>> expected = {{3.0, 2.5},
                                                           {-128.0, 127.0},
                                                           {4611686018427387904.0, -9223372036854775808.0},
                                                           {1099511627776.0, -0.125},
                                                           {42.0, 0.0}};
  for (const auto& [right, wrong] : expected) {
    const FieldValue r = db_.ReadField(kRight);
    const FieldValue w = db_.ReadField(kWrong);
    ASSERT_TRUE(r.IsNumber()) << "record " << db_.CurrentRecord();
    ASSERT_TRUE(w.IsNumber()) << "record " << db_.CurrentRecord();
    EXPECT_EQ(r.number, right) << "record " << db_.CurrentRecord();
    EXPECT_EQ(w.number, wrong) << "record " << db_.CurrentRecord();
    EXPECT_TRUE(r.text.empty());
    EXPECT_TRUE(r.bytes.empty());
    db_.Skip(1);
  }
}

TEST_F(DatabaseTest, NullIsNothing) {
  {
    BankWriter bank(PathOf("bank.db"), std::nullopt);
    // A looser table than the bank tool writes, so that NULL can be stored.
    bank.Exec(
        u8"CREATE TABLE QuestionBank (记录号 INTEGER PRIMARY KEY, 单元 TEXT, 正答 INTEGER, 错答 INTEGER);"
        u8"CREATE TABLE QuestionPictures (记录号 INTEGER PRIMARY KEY, 题目 BLOB, 参考答案 BLOB, 解答过程 BLOB);"
        u8"INSERT INTO QuestionBank VALUES (1, NULL, NULL, 4);"
        u8"INSERT INTO QuestionBank VALUES (2, '有', 1, NULL);"
        u8"INSERT INTO QuestionPictures VALUES (1, NULL, x'0102', NULL);");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ExpectNothing(db_.ReadField(kUnit));
  ExpectNothing(db_.ReadField(kRight));
  EXPECT_EQ(db_.ReadField(kWrong).number, 4);
  ExpectNothing(db_.ReadField(kQuestion));
  EXPECT_EQ(BytesOf(db_.ReadField(kReference)), "\x01\x02");
  ExpectNothing(db_.ReadField(kSolution));
  db_.Skip(1);
  EXPECT_EQ(UnitOf(db_), "有");
  ExpectNothing(db_.ReadField(kWrong));
}

TEST_F(DatabaseTest, ReadingTheSameFieldAgainGivesTheSameValue) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.Exec(u8"INSERT INTO QuestionBank VALUES (1, '集合', 3, 2.5)");
    bank.AddPictures(1, std::string("\x89PNG\0\x01", 6), "r", "s");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(UnitOf(db_), "集合");
    const FieldValue right = db_.ReadField(kRight);
    EXPECT_TRUE(right.IsNumber());
    EXPECT_EQ(right.number, 3);
    const FieldValue wrong = db_.ReadField(kWrong);
    EXPECT_TRUE(wrong.IsNumber());
    EXPECT_EQ(wrong.number, 2.5);
    const FieldValue question = db_.ReadField(kQuestion);
    EXPECT_TRUE(question.IsBytes());
    EXPECT_EQ(BytesOf(question), std::string("\x89PNG\0\x01", 6));
  }
}

// --- Finding fields ------------------------------------------------------------

TEST_F(DatabaseTest, PictureFieldsBelongToTheSameKey) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(2, u8"二");
    bank.AddQuestion(5, u8"五");
    bank.AddQuestion(9, u8"九");
    bank.AddQuestion(12, u8"十二");
    // Rows for 5 and 12 only; a stray row for a key without a question.
    bank.AddPictures(12, "q12", "r12", "s12");
    bank.AddPictures(5, "q5", "r5", "s5");
    bank.AddPictures(7, "q7", "r7", "s7");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ASSERT_EQ(db_.RecordCount(), 4);
  const std::vector<std::string> expected = {"", "q5", "", "q12"};
  // Forwards, backwards and forwards again.
  for (int record : {1, 2, 3, 4, 3, 2, 1, 2, 4, 1, 3}) {
    db_.GoTo(record);
    const FieldValue question = db_.ReadField(kQuestion);
    const std::string& want = expected[static_cast<size_t>(record - 1)];
    if (want.empty()) {
      ExpectNothing(question);
    } else {
      ASSERT_TRUE(question.IsBytes()) << "record " << record;
      EXPECT_EQ(BytesOf(question), want) << "record " << record;
    }
  }
}

TEST_F(DatabaseTest, UnknownFieldIsNothing) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"集合");
    bank.AddPictures(1, "q", "r", "s");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  ExpectNothing(db_.ReadField("难度"));
  ExpectNothing(db_.ReadField(""));
  ExpectNothing(db_.ReadField("QuestionBank"));
  ExpectNothing(db_.ReadField("单元 "));
  // Known fields are unaffected by the failed look-ups, and asking again still fails.
  EXPECT_EQ(UnitOf(db_), "集合");
  EXPECT_EQ(BytesOf(db_.ReadField(kQuestion)), "q");
  ExpectNothing(db_.ReadField("难度"));
}

TEST_F(DatabaseTest, QuestionBankIsSearchedBeforeQuestionPictures) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.Exec(
        u8"ALTER TABLE QuestionBank ADD COLUMN 备注 TEXT;"
        u8"ALTER TABLE QuestionPictures ADD COLUMN 备注 TEXT;"
        u8"INSERT INTO QuestionBank VALUES (1, '集合', 0, 0, '题库表');"
        u8"INSERT INTO QuestionPictures VALUES (1, x'00', x'00', x'00', '图片表');");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  const FieldValue note = db_.ReadField("备注");
  ASSERT_TRUE(note.IsText());
  EXPECT_EQ(note.text, "题库表");
}

TEST_F(DatabaseTest, FieldNamesNeedingQuotesAreRead) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.Exec(
        u8"ALTER TABLE QuestionBank ADD COLUMN \"a\"\"b\" TEXT;"
        u8"ALTER TABLE QuestionPictures ADD COLUMN \"x\"\" FROM QuestionBank; --\" INTEGER;"
        u8"ALTER TABLE QuestionPictures ADD COLUMN \"\"\"\" INTEGER;"
        u8"INSERT INTO QuestionBank VALUES (1, '集合', 0, 0, 'quoted');"
        u8"INSERT INTO QuestionPictures VALUES (1, x'00', x'00', x'00', 77, 5);");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  const FieldValue ab = db_.ReadField("a\"b");
  ASSERT_TRUE(ab.IsText());
  EXPECT_EQ(ab.text, "quoted");
  const FieldValue tricky = db_.ReadField("x\" FROM QuestionBank; --");
  ASSERT_TRUE(tricky.IsNumber());
  EXPECT_EQ(tricky.number, 77);
  const FieldValue quote = db_.ReadField("\"");
  ASSERT_TRUE(quote.IsNumber());
  EXPECT_EQ(quote.number, 5);
  // Names that are not columns, however they are written, are simply absent.
  ExpectNothing(db_.ReadField("\"单元\""));
  ExpectNothing(db_.ReadField("a\"\"b"));
  ExpectNothing(db_.ReadField("1 FROM QuestionBank --"));
  EXPECT_EQ(UnitOf(db_), "集合");
}

// --- Closing -------------------------------------------------------------------

TEST_F(DatabaseTest, ReadsAfterCloseGiveNothing) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"集合");
    bank.AddQuestion(2, u8"函数");
    bank.AddPictures(1, "q", "r", "s");
    ASSERT_TRUE(bank.ok());
  }
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  EXPECT_EQ(UnitOf(db_), "集合");
  EXPECT_EQ(BytesOf(db_.ReadField(kQuestion)), "q");
  db_.Close();
  EXPECT_FALSE(db_.IsOpen());
  EXPECT_EQ(db_.RecordCount(), 0);
  ExpectNothing(db_.ReadField(kUnit));
  ExpectNothing(db_.ReadField(kQuestion));
  db_.GoTo(2);
  ExpectNothing(db_.ReadField(kUnit));
  db_.Close();  // closing twice is harmless
  EXPECT_FALSE(db_.IsOpen());
  // And it opens again as new.
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  EXPECT_EQ(db_.CurrentRecord(), 1);
  EXPECT_EQ(BytesOf(db_.ReadField(kQuestion)), "q");
}

TEST_F(DatabaseTest, TheBankFileIsNeverWritten) {
  {
    BankWriter bank(PathOf("bank.db"));
    bank.AddQuestion(1, u8"集合");
    bank.AddPictures(1, "q", "r", "s");
    ASSERT_TRUE(bank.ok());
  }
  const auto before = fs::last_write_time(PathOf("bank.db"));
  const auto size = fs::file_size(PathOf("bank.db"));
  ASSERT_TRUE(db_.Open(PathOf("bank.db")));
  EXPECT_EQ(UnitOf(db_), "集合");
  EXPECT_EQ(BytesOf(db_.ReadField(kQuestion)), "q");
  db_.Close();
  EXPECT_EQ(fs::last_write_time(PathOf("bank.db")), before);
  EXPECT_EQ(fs::file_size(PathOf("bank.db")), size);
  EXPECT_FALSE(fs::exists(PathOf("bank.db-journal")));
  EXPECT_FALSE(fs::exists(PathOf("bank.db-wal")));
}

}  // namespace
