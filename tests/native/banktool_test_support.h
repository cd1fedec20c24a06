// Helpers of the bank tool's tests: the command line, a scratch folder, small
// picture files of each kind, whole-file reads and writes, queries of a bank.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/banktool_cli.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/signing.h"
#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace banktool_test {

namespace fs = std::filesystem;

// A run of the tool's command line: its exit code and what it wrote.
struct Outcome {
  int code;
  std::string out, err;
};

// The tools' language while it lives; English again after it.
class Speaking {
 public:
  explicit Speaking(toolkit::Language language) { toolkit::SetLanguage(language); }
  ~Speaking() { toolkit::SetLanguage(toolkit::Language::kEnglish); }
  Speaking(const Speaking&) = delete;
  Speaking& operator=(const Speaking&) = delete;
};

// The tool's command line, in English unless told otherwise.
inline Outcome Tool(const std::vector<std::string>& args, toolkit::Language language = toolkit::Language::kEnglish) {
  const Speaking speaking(language);
  std::ostringstream out, err;
  const int code = banktool::RunBankTool(args, out, err);
  return {code, out.str(), err.str()};
}

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    static std::atomic<int> counter{0};
    path_ = fs::temp_directory_path() /
            ("banktool-test-" + std::to_string(banktool::CurrentProcessId()) + "-" + std::to_string(counter++));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& utf8) const { return path_ / banktool::PathFromUtf8(utf8); }

 private:
  fs::path path_;
};

inline std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteAll(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One row of a query, each column as text ("NULL" for null).
using Rows = std::vector<std::vector<std::string>>;

inline Rows Query(const fs::path& bank, const std::string& sql) {
  sqlite3* db = nullptr;
  Rows rows;
  EXPECT_EQ(sqlite3_open_v2(bank.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  while (statement && sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      const auto* blob = static_cast<const char*>(sqlite3_column_blob(statement, c));
      row.push_back(sqlite3_column_type(statement, c) == SQLITE_NULL
                        ? "NULL"
                        : std::string(blob ? blob : "", static_cast<size_t>(sqlite3_column_bytes(statement, c))));
    }
    rows.push_back(row);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Every file under `folder` with its bytes, to compare a folder before and after.
inline std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    files[fs::relative(entry.path(), folder).string()] = entry.is_regular_file() ? ReadAll(entry.path()) : "<dir>";
  }
  return files;
}

inline void PutBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

inline void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// A real RGB PNG (2x2 unless told) whose pixels depend on `seed`, so
// different seeds give different files.
inline std::string Png(int seed, uint32_t width = 2, uint32_t height = 2) {
  const auto chunk = [](std::string& out, const std::string& type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    out += body;
    PutBigEndian(out, static_cast<uint32_t>(
                          crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
  };
  std::string header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
  std::string raw;
  for (uint32_t y = 0; y < height; ++y) {
    raw += '\0';
    for (uint32_t x = 0; x < 3 * width; ++x) raw += static_cast<char>((seed * 31 + y * 7 + x) & 0xFF);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  packed.resize(size);
  std::string png("\x89PNG\r\n\x1A\n", 8);
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", "");
  return png;
}

// A 1x1 GIF89a with a two-colour palette.
inline std::string Gif() {
  return std::string(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00"
      "\x00\x00\x00\xFF\xFF\xFF"
      "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00"
      "\x02\x02\x44\x01\x00"
      "\x3B",
      35);
}

// A 1x1 24-bit BMP with the usual 40-byte information header.
inline std::string Bmp() {
  std::string bmp = "BM";
  PutLittleEndian(bmp, 58, 4);  // file size
  PutLittleEndian(bmp, 0, 4);
  PutLittleEndian(bmp, 54, 4);  // pixel data offset
  PutLittleEndian(bmp, 40, 4);  // information header size
  PutLittleEndian(bmp, 1, 4);   // width
  PutLittleEndian(bmp, 1, 4);   // height
  PutLittleEndian(bmp, 1, 2);   // planes
  PutLittleEndian(bmp, 24, 2);  // bits per pixel
  bmp += std::string(24, '\0');
  bmp += std::string("\x10\x20\x30\x00", 4);  // one pixel, row padded to 4 bytes
  return bmp;
}

// The header of a 1x1 grey JFIF file, up to its frame marker: the tool reads
// the kind and size from no more than that.
inline std::string Jpeg() {
  return std::string(
      "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
      "\xFF\xC0\x00\x0B\x08\x00\x01\x00\x01\x01\x01\x11\x00"
      "\xFF\xD9",
      35);
}

// Every question of a bank file, in record order.
inline std::vector<banktool::BankQuestion> BankQuestions(const fs::path& bank) {
  std::vector<banktool::BankQuestion> questions;
  std::string error;
  EXPECT_TRUE(banktool::ReadBank(
      bank,
      [&](const banktool::BankQuestion& question) {
        questions.push_back(question);
        return true;
      },
      error))
      << error;
  return questions;
}

// What a publishing test starts from, in `dir`: a one-question bank in bank/,
// a signing key in keys/ (read into `key`), a program archive program.rar
// and an empty server folder server/.
inline void PreparePublishing(const ScratchFolder& dir, banktool::SigningKey& key) {
  WriteAll(dir / "pics/q.png", Png(1));
  WriteAll(dir / "pics/a.gif", Gif());
  WriteAll(dir / "pics/s.bmp", Bmp());
  WriteAll(dir / "list.tsv", "题目\t参考答案\t解答过程\t单元\t正答\t错答\nq.png\ta.gif\ts.bmp\t集合\t1\t1\n");
  ASSERT_EQ(Tool({"build", "--pictures", banktool::PathToUtf8(dir / "pics"), "--manifest",
                  banktool::PathToUtf8(dir / "list.tsv"), "--out", banktool::PathToUtf8(dir / "bank")})
                .code,
            0);
  ASSERT_EQ(Tool({"keygen", "--out", banktool::PathToUtf8(dir / "keys")}).code, 0);
  std::string error;
  ASSERT_TRUE(banktool::ReadSigningKey(dir / "keys/update-signing-key.txt", key, error)) << error;
  WriteAll(dir / "program.rar", "Rar!\x1A\x07 the program");
  fs::create_directories(dir / "server");
}

}  // namespace banktool_test
