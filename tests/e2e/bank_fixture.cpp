// Compiled with UTF-8 as its execution character set: its SQL goes to SQLite.
#include "tests/e2e/bank_fixture.h"

#include <windows.h>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runtime/data/database.h"
#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/build.h"

namespace e2e {
namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void PutWord(std::string& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A width x height 24-bit BMP filled with one colour.
std::string Bitmap(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  const int row = (width * 3 + 3) & ~3;
  std::string bmp = "BM";
  PutWord(bmp, static_cast<uint32_t>(54 + row * height), 4);
  PutWord(bmp, 0, 4);
  PutWord(bmp, 54, 4);
  PutWord(bmp, 40, 4);
  PutWord(bmp, static_cast<uint32_t>(width), 4);
  PutWord(bmp, static_cast<uint32_t>(height), 4);
  PutWord(bmp, 1, 2);
  PutWord(bmp, 24, 2);
  PutWord(bmp, 0, 4);
  PutWord(bmp, static_cast<uint32_t>(row * height), 4);
  PutWord(bmp, 2835, 4);
  PutWord(bmp, 2835, 4);
  PutWord(bmp, 0, 4);
  PutWord(bmp, 0, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      bmp.push_back(static_cast<char>(b));
      bmp.push_back(static_cast<char>(g));
      bmp.push_back(static_cast<char>(r));
    }
    bmp.append(static_cast<size_t>(row - width * 3), '\0');
  }
  return bmp;
}

void Check(int rc, sqlite3* db) { ASSERT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db); }

}  // namespace

std::string QuestionPicture(int seed) { return Bitmap(60 + seed, 30, 200, static_cast<uint8_t>(seed * 7), 40); }
std::string AnswerPicture(int seed) { return Bitmap(40 + seed, 20, 40, 180, static_cast<uint8_t>(seed * 5)); }
std::string SolutionPicture(int seed) { return Bitmap(50 + seed, 40, static_cast<uint8_t>(seed * 3), 60, 200); }

void ExecuteUtf8(const std::wstring& path, const std::string& sql) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(Utf8(path).c_str(), &db), db);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "") << "\n" << sql;
  sqlite3_free(error);
  sqlite3_close(db);
}

void ExecuteSql(const std::wstring& path, const std::wstring& sql) { ExecuteUtf8(path, Utf8(sql)); }

void WriteBank(const std::wstring& path, const std::vector<TestQuestion>& questions) {
  DeleteFileW(path.c_str());
  ExecuteUtf8(path, rt::QuestionBankSchema());
  sqlite3* db = nullptr;
  Check(sqlite3_open(Utf8(path).c_str(), &db), db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* bank = nullptr;
  sqlite3_stmt* pictures = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO QuestionBank VALUES (?1, ?2, ?3, ?4)", -1, &bank, nullptr), db);
  Check(sqlite3_prepare_v2(db, "INSERT INTO QuestionPictures VALUES (?1, ?2, ?3, ?4)", -1, &pictures, nullptr), db);
  int key = 0;
  for (const TestQuestion& q : questions) {
    ++key;
    const std::string unit = Utf8(q.unit);
    sqlite3_bind_int(bank, 1, key);
    sqlite3_bind_text(bank, 2, unit.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(bank, 3, q.correct);
    sqlite3_bind_double(bank, 4, q.wrong);
    EXPECT_EQ(sqlite3_step(bank), SQLITE_DONE);
    sqlite3_reset(bank);
    const std::string question = QuestionPicture(q.picture), answer = AnswerPicture(q.picture),
                      solution = SolutionPicture(q.picture);
    sqlite3_bind_int(pictures, 1, key);
    sqlite3_bind_blob(pictures, 2, question.data(), static_cast<int>(question.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(pictures, 3, answer.data(), static_cast<int>(answer.size()), SQLITE_TRANSIENT);
    sqlite3_bind_blob(pictures, 4, solution.data(), static_cast<int>(solution.size()), SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(pictures), SQLITE_DONE);
    sqlite3_reset(pictures);
  }
  sqlite3_finalize(bank);
  sqlite3_finalize(pictures);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

void BuildBankWithSources(const std::wstring& path, const std::vector<TestQuestion>& questions) {
  namespace fs = std::filesystem;
  const fs::path scratch = fs::path(path).parent_path().wstring() + L"-set";
  std::error_code ec;
  fs::remove_all(scratch, ec);
  fs::create_directories(scratch / L"图片");
  std::vector<banktool::ArchiveEntry> entries;
  const auto write = [&](const std::string& name, const std::string& bytes) {
    const fs::path file = scratch / fs::path(std::u8string(name.begin(), name.end()));
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    entries.push_back({name, file, true});
  };
  std::string table = "题目,参考答案,解答过程,单元,正答,错答,题目文字,参考答案文字,解答过程文字,插图,插图位置\r\n";
  for (size_t i = 0; i < questions.size(); ++i) {
    const TestQuestion& q = questions[i];
    const std::string n = std::to_string(i + 1);
    write("图片/q" + n + ".bmp", QuestionPicture(q.picture));
    write("图片/a" + n + ".bmp", AnswerPicture(q.picture));
    write("图片/s" + n + ".bmp", SolutionPicture(q.picture));
    std::string figure;
    if (i == 0) {
      write("图片/f1.bmp", Bitmap(20, 20, 0, 0, 0));
      figure = "f1.bmp,右侧";
    } else {
      figure = ",";
    }
    table += "q" + n + ".bmp,a" + n + ".bmp,s" + n + ".bmp," + Utf8(q.unit) + "," +
             std::to_string(static_cast<int>(q.correct)) + "," + std::to_string(static_cast<int>(q.wrong)) + ",\"第" +
             n + "题：已知 $x^2=" + n + "$，\r\n求 \"\"$x$\"\"。\",$\\pm\\sqrt{" + n + "}$,开方即得。," + figure +
             "\r\n";
  }
  write("题目表.csv", "\xEF\xBB\xBF" + table);
  std::string why;
  const fs::path zip = scratch / L"题库导出.zip";
  ASSERT_TRUE(banktool::WriteArchive(zip, entries, banktool::LocalTimeNow(), why)) << why;
  banktool::BuildOptions options;
  options.input = zip;
  options.out = scratch / L"out";
  const banktool::BuildResult built = banktool::BuildBank(options);
  ASSERT_TRUE(built.ok) << (built.errors.empty() ? std::string() : built.errors.front());
  ASSERT_EQ(built.withSources, static_cast<int>(questions.size()));
  ASSERT_TRUE(CopyFileW((scratch / L"out" / L"填空题题库.db").c_str(), path.c_str(), FALSE));
  fs::remove_all(scratch, ec);
}

uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char c : bytes) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace e2e
