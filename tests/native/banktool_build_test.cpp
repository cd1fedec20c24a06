// The bank tool end to end: a build from pictures and a manifest, read back
// with SQLite, minizip's unzip and the program's own database family;
// failing builds; the commands.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unzip.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "runtime/data/database.h"
#include "runtime/data/encoding.h"
#include "runtime/files/archive_names.h"
#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/banktool_cli.h"
#include "tools/teacher_kit/banktool/manifest.h"
#include "tools/teacher_kit/banktool/publish.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace {

using namespace banktool;
using namespace banktool_test;

struct ZipEntry {
  std::string name;  // raw bytes as stored
  uLong flag, method;
  std::string content;
};

std::vector<ZipEntry> ReadZip(const fs::path& zip) {
  std::vector<ZipEntry> entries;
  unzFile file = unzOpen64(zip.c_str());
  EXPECT_NE(file, nullptr);
  if (!file) return entries;
  for (int more = unzGoToFirstFile(file); more == UNZ_OK; more = unzGoToNextFile(file)) {
    unz_file_info64 info;
    char name[256];
    EXPECT_EQ(unzGetCurrentFileInfo64(file, &info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    ZipEntry entry{std::string(name, info.size_filename), info.flag, info.compression_method, ""};
    EXPECT_EQ(unzOpenCurrentFile(file), UNZ_OK);
    char buffer[4096];
    int n;
    while ((n = unzReadCurrentFile(file, buffer, sizeof buffer)) > 0)
      entry.content.append(buffer, static_cast<size_t>(n));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(unzCloseCurrentFile(file), UNZ_OK);  // checks the CRC
    entries.push_back(entry);
  }
  unzClose(file);
  return entries;
}

class BankBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteAll(dir / "pics/q1.png", Png(1));
    WriteAll(dir / "pics/a1.gif", Gif());
    WriteAll(dir / "pics/s1.bmp", Bmp());
    WriteAll(dir / "pics/第二题/q2.jpg", Jpeg());
    WriteAll(dir / "pics/a2.png", Png(2));
    WriteAll(dir / "pics/s2.png", Png(3));
    WriteAll(dir / "pics/q3.png", Png(4));
    manifest =
        "题目\t参考答案\t解答过程\t单元\t正答\t错答\n"
        "q1.png\ta1.gif\ts1.bmp\t集合\t12\t3\n"
        "第二题/q2.jpg\ta2.png\ts2.png\t函数 单调性\t0\t0\n"
        "q3.png\ta1.gif\ts2.png\t集合 子集\t2147483647\t7\n";
  }

  Outcome Build(std::vector<std::string> extra = {}) {
    WriteAll(dir / "manifest.tsv", manifest);
    std::vector<std::string> args = {
        "build", "--pictures",     PathToUtf8(dir / "pics"), "--manifest", PathToUtf8(dir / "manifest.tsv"),
        "--out", PathToUtf8(out())};
    args.insert(args.end(), extra.begin(), extra.end());
    return Tool(args);
  }

  fs::path out() const { return dir / "输出"; }
  fs::path bank() const { return out() / "填空题题库.db"; }

  ScratchFolder dir;
  std::string manifest;
};

TEST_F(BankBuild, WritesTheBankWithTheDocumentedSchemaAndRecords1ToN) {
  const Outcome run = Build();
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "banktool build: 3 questions and 3 keywords written to " + PathToUtf8(out()) +
                         ": 填空题题库.db, 关键词.txt, bank.zip\n");
  // name, declared type, not null, primary key
  EXPECT_EQ(Query(bank(), "SELECT name, type, \"notnull\", pk FROM pragma_table_info('QuestionBank')"),
            (Rows{{"记录号", "INTEGER", "0", "1"},
                  {"单元", "TEXT", "1", "0"},
                  {"正答", "INTEGER", "1", "0"},
                  {"错答", "INTEGER", "1", "0"}}));
  EXPECT_EQ(Query(bank(), "SELECT name, type, \"notnull\", pk FROM pragma_table_info('QuestionPictures')"),
            (Rows{{"记录号", "INTEGER", "0", "1"},
                  {"题目", "BLOB", "1", "0"},
                  {"参考答案", "BLOB", "1", "0"},
                  {"解答过程", "BLOB", "1", "0"}}));
  EXPECT_EQ(Query(bank(), "SELECT \"table\", \"from\", \"to\" FROM pragma_foreign_key_list('QuestionPictures')"),
            (Rows{{"QuestionBank", "记录号", "记录号"}}));
  EXPECT_EQ(Query(bank(), "SELECT 记录号, 单元, typeof(单元), 正答, typeof(正答), 错答 FROM QuestionBank ORDER BY 1"),
            (Rows{{"1", "集合", "text", "12", "integer", "3"},
                  {"2", "函数 单调性", "text", "0", "integer", "0"},
                  {"3", "集合 子集", "text", "2147483647", "integer", "7"}}));
  const std::string pictures = "SELECT 题目, 参考答案, 解答过程, typeof(题目) FROM QuestionPictures WHERE 记录号 = ";
  EXPECT_EQ(Query(bank(), pictures + "1"), (Rows{{Png(1), Gif(), Bmp(), "blob"}}));
  EXPECT_EQ(Query(bank(), pictures + "2"), (Rows{{Jpeg(), Png(2), Png(3), "blob"}}));
  EXPECT_EQ(Query(bank(), pictures + "3"), (Rows{{Png(4), Gif(), Png(3), "blob"}}));
  // The program opens the bank read-only: it must not need a write-ahead log.
  EXPECT_EQ(Query(bank(), "PRAGMA journal_mode"), (Rows{{"delete"}}));
}

// The program's database family reads every field of runtime/data/question_bank.def
// from a built bank, in every record, as the manifest's column of that name
// gave it: a picture file's bytes, the unit's text, the count.
TEST_F(BankBuild, TheProgramReadsEveryFieldOfEveryRecordAsTheManifestGaveIt) {
  ASSERT_EQ(Build().code, 0);
  struct Field {
    std::string name, declaration;
    bool key;
  };
  std::vector<Field> fields;
#define TESSALY_BANK_TABLE(table, key, keyDeclaration) fields.push_back({key, keyDeclaration, true});
#define TESSALY_BANK_FIELD(identifier, name, declaration) fields.push_back({name, declaration, false});
#include "runtime/data/question_bank.def"
#undef TESSALY_BANK_TABLE
#undef TESSALY_BANK_FIELD
  const Table table = ParseTable(manifest);
  rt::Database db;
  ASSERT_TRUE(db.OpenFile(bank()));
  ASSERT_EQ(db.RecordCount(), static_cast<int32_t>(table.rows.size()));
  for (int32_t record = 1; record <= db.RecordCount(); ++record) {
    db.GoTo(record);
    const std::vector<std::string>& row = table.rows[static_cast<size_t>(record - 1)].fields;
    for (const Field& field : fields) {
      const rt::FieldValue value = db.ReadField(rt::Utf8ToGbk(field.name));
      if (field.key) {
        EXPECT_TRUE(value.IsNumber() && value.number == record) << field.name << " of record " << record;
        continue;
      }
      const auto column = std::find(table.header.begin(), table.header.end(), field.name);
      ASSERT_NE(column, table.header.end()) << "the manifest has no column for the field " << field.name;
      const std::string& given = row[static_cast<size_t>(column - table.header.begin())];
      const std::string type = field.declaration.substr(0, field.declaration.find(' '));
      if (type == "BLOB") {
        EXPECT_TRUE(value.IsBytes() && value.bytes.view() == ReadAll(dir / ("pics/" + given))) << field.name;
      } else if (type == "TEXT") {
        EXPECT_TRUE(value.IsText() && rt::GbkToUtf8(value.text) == given) << field.name;
      } else {
        EXPECT_TRUE(value.IsNumber() && value.number == std::stod(given)) << field.name;
      }
    }
  }
}

TEST_F(BankBuild, KeywordsAreTheDistinctUnitsOrTheGivenListInGbkWithCrLf) {
  manifest += "q4.png\ta1.gif\ts1.bmp\t集合\t1\t1\n";
  WriteAll(dir / "pics/q4.png", Png(5));
  ASSERT_EQ(Build().code, 0);
  EXPECT_EQ(ReadAll(out() / "关键词.txt"),
            Gbk("集合") + "\r\n" + Gbk("函数 单调性") + "\r\n" + Gbk("集合 子集") + "\r\n");

  WriteAll(dir / "keywords.txt", "集合\n\n 单调性 \r\n导数\n");
  const Outcome run = Build({"--keywords", PathToUtf8(dir / "keywords.txt")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadAll(out() / "关键词.txt"), "\xBC\xAF\xBA\xCF\r\n\xB5\xA5\xB5\xF7\xD0\xD4\r\n\xB5\xBC\xCA\xFD\r\n");
  EXPECT_NE(run.out.find("note: keywords.txt: line 4: \"导数\" is in no question's unit"), std::string::npos);
}

TEST_F(BankBuild, TheArchiveHoldsBothFilesUnderGbkNamesWithoutTheUtf8Flag) {
  ASSERT_EQ(Build().code, 0);
  const auto entries = ReadZip(out() / "bank.zip");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "\xCC\xEE\xBF\xD5\xCC\xE2\xCC\xE2\xBF\xE2.db");  // 填空题题库.db
  EXPECT_EQ(entries[1].name, "\xB9\xD8\xBC\xFC\xB4\xCA.txt");                 // 关键词.txt
  for (const auto& entry : entries) {
    EXPECT_EQ(entry.flag & 0x0800, 0u) << "general purpose bit 11 (UTF-8 names) must be clear";
    EXPECT_EQ(entry.method, static_cast<uLong>(Z_DEFLATED));
  }
  EXPECT_EQ(entries[0].content, ReadAll(bank()));
  EXPECT_EQ(entries[1].content, ReadAll(out() / "关键词.txt"));
}

TEST_F(BankBuild, BankVersionGoesIntoMathIniKeepingTheRest) {
  const std::string ini = "[" + Gbk("版本信息") + "]\r\n" + Gbk("题库版本") + "=2024.1\r\n" + Gbk("主程序版本") +
                          "=1.0.2\r\n\r\n[server]\r\nnote=kept\r\n";
  WriteAll(out() / "math.ini", ini);
  const Outcome run = Build({"--bank-version", "2024.2"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadAll(out() / "math.ini"), "[" + Gbk("版本信息") + "]\r\n" + Gbk("题库版本") + "=2024.2\r\n" +
                                             Gbk("主程序版本") + "=1.0.2\r\n\r\n[server]\r\nnote=kept\r\n");
  // Without --bank-version math.ini is not touched, and with it in a new folder it is made.
  fs::remove_all(out());
  ASSERT_EQ(Build().code, 0);
  EXPECT_FALSE(fs::exists(out() / "math.ini"));
  ASSERT_EQ(Build({"--bank-version=第3版"}).code, 0);
  EXPECT_EQ(ReadAll(out() / "math.ini"),
            "[" + Gbk("版本信息") + "]\r\n" + Gbk("题库版本") + "=" + Gbk("第3版") + "\r\n");
}

TEST_F(BankBuild, PictureProblemsNameTheirRowAndColumn) {
  WriteAll(dir / "pics/notes.txt", "these are notes");
  WriteAll(dir / "pics/empty.png", "");
  WriteAll(dir / "pics/q1-again.png", Png(1));
  fs::create_directories(dir / "pics/folder.png");
  manifest +=
      "q5.png\tnotes.txt\tempty.png\t数列\t1\t1\n"
      "q1-again.png\tfolder.png\ta1.gif\t集合\t1\t1\n";
  const Outcome run = Build();
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err,
            "manifest.tsv: row 5, column 题目: \"q5.png\" is not in the pictures folder " + PathToUtf8(dir / "pics") +
                "\n"
                "manifest.tsv: row 5, column 参考答案: \"notes.txt\" is not a picture (GIF, PNG, JPEG or BMP)\n"
                "manifest.tsv: row 5, column 解答过程: \"empty.png\" is an empty file, not a picture\n"
                "manifest.tsv: row 6, column 题目: \"q1-again.png\" is the same picture as the question of "
                "row 2 (\"q1.png\"); this row repeats it\n"
                "manifest.tsv: row 6, column 参考答案: \"folder.png\" is a folder, not a picture file\n"
                "banktool build: 5 problems; nothing in " +
                PathToUtf8(out()) + " was replaced\n");
}

TEST_F(BankBuild, TheMessageNamesRowAndColumnAsTheFileCountsThem) {
  manifest =
      "题目\t参考答案\t解答过程\t单元\t正答\t错答\n\n"
      "q1.png\ta1.gif\ts1.bmp\t集合\t12\t3\n\n\n\n"
      "q3.png\ta1.gif\ts1.bmp\t集合\tabc\t3\n";
  const Outcome run = Build();
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "manifest.tsv: row 7, column 正答: \"abc\" is not a whole number");
}

TEST_F(BankBuild, AFailingBuildLeavesTheOutputFolderAsItWas) {
  const std::string good = manifest;
  manifest = good + "missing.png\ta1.gif\ts1.bmp\t集合\t1\t1\n";  // a bad last row, after three good ones
  EXPECT_EQ(Build().code, 1);
  EXPECT_FALSE(fs::exists(out())) << "a folder made for a failed run is removed again";

  manifest = good;
  ASSERT_EQ(Build({"--bank-version", "1"}).code, 0);
  const auto before = Snapshot(out());
  ASSERT_EQ(before.size(), 4u);

  manifest = good + "missing.png\ta1.gif\ts1.bmp\t集合\t1\t1\n";
  EXPECT_EQ(Build({"--bank-version", "2"}).code, 1);
  EXPECT_EQ(Snapshot(out()), before);

  manifest = good;
  WriteAll(dir / "keywords.txt", "集合\n数列😀\n");
  EXPECT_EQ(Build({"--keywords", PathToUtf8(dir / "keywords.txt"), "--bank-version", "2"}).code, 1);
  EXPECT_EQ(Snapshot(out()), before);
  EXPECT_EQ(Build({"--bank-version", "2\n[x]"}).code, 1);
  EXPECT_EQ(Snapshot(out()), before);

  // An output that cannot be replaced: nothing else is replaced either.
  fs::remove(out() / "bank.zip");
  fs::create_directories(out() / "bank.zip" / "inside");
  const auto blocked = Snapshot(out());
  const Outcome run = Build({"--bank-version", "2"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("bank.zip: is in the way"), std::string::npos) << run.err;
  EXPECT_EQ(Snapshot(out()), blocked);
}

TEST_F(BankBuild, CheckListsTheBankAndReportsWhatTheProgramCouldNotUse) {
  ASSERT_EQ(Build().code, 0);
  Outcome run = Tool({"check", "--bank", PathToUtf8(bank())});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, PathToUtf8(bank()) +
                         ": 3 questions\n"
                         "  1  单元 \"集合\"  正答 12  错答 3  题目 PNG " +
                         std::to_string(Png(1).size()) +
                         " bytes 2x2  参考答案 GIF 35 bytes 1x1  解答过程 BMP 58 bytes 1x1\n"
                         "  2  单元 \"函数 单调性\"  正答 0  错答 0  题目 JPEG 35 bytes 1x1  参考答案 PNG " +
                         std::to_string(Png(2).size()) + " bytes 2x2  解答过程 PNG " + std::to_string(Png(3).size()) +
                         " bytes 2x2\n"
                         "  3  单元 \"集合 子集\"  正答 2147483647  错答 7  题目 PNG " +
                         std::to_string(Png(4).size()) + " bytes 2x2  参考答案 GIF 35 bytes 1x1  解答过程 PNG " +
                         std::to_string(Png(3).size()) + " bytes 2x2\n" + PathToUtf8(bank()) + ": no problems found\n");

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(bank().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE QuestionBank SET 单元 = X'E99B86' WHERE 记录号 = 1;"
                         "UPDATE QuestionPictures SET 参考答案 = X'00010203' WHERE 记录号 = 2;"
                         "UPDATE QuestionBank SET 记录号 = 4 WHERE 记录号 = 3;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  run = Tool({"check", "--bank", PathToUtf8(bank())});
  EXPECT_EQ(run.code, 1);
  const std::string name = PathToUtf8(bank());
  EXPECT_EQ(run.err, name + ": record 1: 单元 is blob, not text\n" + name + ": record 2: 参考答案 is not a picture\n" +
                         name +
                         ": record 4: out of sequence: the records must be numbered 1, 2, 3 ... and this one should "
                         "be 3\n" +
                         name + ": record 4: has no row in QuestionPictures\n" + name +
                         ": rows of QuestionPictures that belong to no question: 1\n" + name + ": 5 problems\n");

  WriteAll(dir / "not-a-bank.db", "hello");
  EXPECT_EQ(Tool({"check", "--bank", PathToUtf8(dir / "not-a-bank.db")}).code, 1);
}

TEST_F(BankBuild, PublishPutsBankAndProgramOnTheServerWithTheirVersions) {
  ASSERT_EQ(Build().code, 0);
  const fs::path server = dir / "服务器";
  fs::create_directories(server / "zentra");
  // A notice the school wrote stays: students see the whole file.
  WriteAll(server / "zentra/math.ini", Gbk("[公告]\r\n周五停电\r\n[版本信息]\r\n主程序版本=1.0.2\r\n"));
  Outcome run =
      Tool({"publish", "--server", PathToUtf8(server), "--bank", PathToUtf8(out()), "--bank-version", "2025.03"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "banktool publish: " + PathToUtf8(server) + "/zentra: bank.zip (题库版本=2025.03), math.ini\n");
  EXPECT_EQ(ReadAll(server / "zentra/bank.zip"), ReadAll(out() / "bank.zip"));
  // Each archive's size goes beside its version.
  const std::string bankSize = std::to_string(ReadAll(out() / "bank.zip").size());
  EXPECT_EQ(
      ReadAll(server / "zentra/math.ini"),
      Gbk("[公告]\r\n周五停电\r\n[版本信息]\r\n主程序版本=1.0.2\r\n题库版本=2025.03\r\n题库大小=" + bankSize + "\r\n"));

  WriteAll(dir / "new program.zip", "PK\x03\x04 the archive's bytes");
  run = Tool({"publish", "--server", PathToUtf8(server), "--program", PathToUtf8(dir / "new program.zip"),
              "--program-version", "1.0.3", "--bank", PathToUtf8(out() / "bank.zip"), "--bank-version", "2025.04"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadAll(server / "zentra/zentra.rar"), "PK\x03\x04 the archive's bytes");
  EXPECT_EQ(ReadAll(server / "zentra/math.ini"),
            Gbk("[公告]\r\n周五停电\r\n[版本信息]\r\n主程序版本=1.0.3\r\n题库版本=2025.04\r\n题库大小=" + bankSize +
                "\r\n主程序大小=24\r\n"));
  // Nothing but the three files: no temporaries left.
  EXPECT_EQ(Snapshot(server).size(), 4u);
}

TEST_F(BankBuild, PublishRefusesWhatStudentsProgramsCouldNotInstallAndChangesNothing) {
  ASSERT_EQ(Build().code, 0);
  const fs::path server = dir / "server";
  fs::create_directories(server);
  ASSERT_EQ(Tool({"publish", "--server", PathToUtf8(server), "--bank", PathToUtf8(out()), "--bank-version", "1",
                  "--program-version", "1.0.2"})
                .code,
            0);
  const auto before = Snapshot(server);

  const fs::path bankFile = out() / "填空题题库.db";
  const fs::path keywordFile = out() / "关键词.txt";
  WriteAll(dir / "not a bank.db", "plain text, no SQLite");
  // One byte changed in the bank's compressed data, past the member's header.
  std::string damaged = ReadAll(out() / "bank.zip");
  damaged[60] = static_cast<char>(damaged[60] ^ 0x55);
  WriteAll(dir / "damaged.zip", damaged);
  const auto archive = [&](const std::string& name, const std::vector<ArchiveEntry>& entries) {
    std::string why;
    EXPECT_TRUE(WriteArchive(dir / name, entries, LocalTimeNow(), why)) << why;
    return PathToUtf8(dir / name);
  };
  std::vector<ArchiveEntry> many = {{Gbk("填空题题库.db"), bankFile}, {Gbk("关键词.txt"), keywordFile}};
  for (int i = 0; i < 63; ++i) many.push_back({"pictures/" + std::to_string(i) + ".png", keywordFile});
  const std::vector<std::pair<std::string, std::string>> bad = {
      {archive("many.zip", many), "holds more than 64 members"},
      {archive("twice.zip",
               {{Gbk("填空题题库.db"), bankFile}, {Gbk("关键词.txt"), keywordFile}, {"关键词.txt", keywordFile, true}}),
       "names the same file as a member before it"},
      {archive("versions.zip",
               {{Gbk("填空题题库.db"), bankFile}, {Gbk("关键词.txt"), keywordFile}, {"MATH.INI", keywordFile}}),
       "would replace program code or one of the program folder's own files"},
      {archive("no-keywords.zip", {{Gbk("填空题题库.db"), bankFile}}), "holds no 关键词.txt"},
      {archive("no-bank.zip", {{Gbk("关键词.txt"), keywordFile}}), "holds no 填空题题库.db"},
      {archive("not-sqlite.zip", {{Gbk("填空题题库.db"), dir / "not a bank.db"}, {Gbk("关键词.txt"), keywordFile}}),
       "is no SQLite question bank"},
      {archive("slip.zip",
               {{Gbk("填空题题库.db"), bankFile}, {Gbk("关键词.txt"), keywordFile}, {"..\\evil.txt", keywordFile}}),
       "leads out of the program folder"},
      {archive("code.zip",
               {{Gbk("填空题题库.db"), bankFile}, {Gbk("关键词.txt"), keywordFile}, {"Tessaly.EXE", keywordFile}}),
       "would replace program code"},
      {PathToUtf8(dir / "damaged.zip"), "the archive is damaged at the member \"填空题题库.db\""},
      {PathToUtf8(dir / "not a bank.db"), "is not a zip archive"},
      {PathToUtf8(dir / "missing.zip"), "there is no such file"},
  };
  for (const auto& [zip, why] : bad) {
    const Outcome run = Tool({"publish", "--server", PathToUtf8(server), "--bank", zip, "--bank-version", "2"});
    EXPECT_EQ(run.code, 1) << zip;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
  }
  WriteAll(dir / "page.html", "<html>404 Not Found</html>");
  const Outcome page = Tool({"publish", "--server", PathToUtf8(server), "--program", PathToUtf8(dir / "page.html"),
                             "--program-version", "2"});
  EXPECT_EQ(page.code, 1);
  EXPECT_NE(page.err.find("is no RAR, ZIP or 7z archive"), std::string::npos) << page.err;
  EXPECT_EQ(Tool({"publish", "--server", PathToUtf8(server), "--bank", PathToUtf8(out()), "--bank-version", " 2"}).code,
            1);
  EXPECT_EQ(
      Tool({"publish", "--server", PathToUtf8(dir / "none"), "--bank", PathToUtf8(out()), "--bank-version", "2"}).code,
      1);
  EXPECT_EQ(Tool({"publish", "--server", PathToUtf8(server)}).code, 1) << "nothing named to publish";
  EXPECT_EQ(Tool({"publish", "--server", PathToUtf8(server), "--bank", PathToUtf8(out())}).code, 2);
  EXPECT_EQ(Tool({"publish", "--server", PathToUtf8(server), "--program", PathToUtf8(dir / "page.html")}).code, 2);
  // An archive larger than students' programs download (a sparse file).
  {
    std::ofstream big(dir / "big.rar", std::ios::binary);
    big << "Rar!\x1A\x07";
    big.seekp((std::streamoff{257} << 20) - 1);
    big.put('\0');
  }
  const Outcome big = Tool(
      {"publish", "--server", PathToUtf8(server), "--program", PathToUtf8(dir / "big.rar"), "--program-version", "2"});
  EXPECT_EQ(big.code, 1);
  EXPECT_NE(big.err.find("is 257 MB; students' programs download at most 256 MB"), std::string::npos) << big.err;
  EXPECT_EQ(Snapshot(server), before);
}

// Students' programs offer an upgrade for any difference, a missing version
// included: publish never leaves either version missing, and says what to add.
TEST_F(BankBuild, PublishLeavesNoVersionMissing) {
  ASSERT_EQ(Build().code, 0);
  const fs::path server = dir / "fresh";
  fs::create_directories(server);
  Outcome run = Tool({"publish", "--server", PathToUtf8(server), "--bank", PathToUtf8(out()), "--bank-version", "1"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("no 主程序版本"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("add --program-version"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(server / "zentra/bank.zip"));
  WriteAll(dir / "p.zip", "PK\x03\x04 program");
  run = Tool({"publish", "--server", PathToUtf8(server), "--program", PathToUtf8(dir / "p.zip"), "--program-version",
              "1.0.3"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("no 题库版本"), std::string::npos) << run.err;

  // The bank with the version of the program students run: no program archive.
  run = Tool({"publish", "--server", PathToUtf8(server), "--bank", PathToUtf8(out()), "--bank-version", "1",
              "--program-version", "1.0.2"});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::string bankSize = std::to_string(ReadAll(out() / "bank.zip").size());
  EXPECT_EQ(ReadAll(server / "zentra/math.ini"),
            Gbk("[版本信息]\r\n题库版本=1\r\n题库大小=" + bankSize + "\r\n主程序版本=1.0.2\r\n"));
  EXPECT_FALSE(fs::exists(server / "zentra/zentra.rar"));
  // Later publishes carry the versions already there over.
  ASSERT_EQ(Tool({"publish", "--server", PathToUtf8(server), "--program", PathToUtf8(dir / "p.zip"),
                  "--program-version", "1.0.3"})
                .code,
            0);
  EXPECT_EQ(ReadAll(server / "zentra/math.ini"),
            Gbk("[版本信息]\r\n题库版本=1\r\n题库大小=" + bankSize + "\r\n主程序版本=1.0.3\r\n主程序大小=12\r\n"));
}

// Publish takes a bank archive with an extra member exactly when the
// program's rule for member names (rt::CheckMemberName) takes its name, and
// the name is no second spelling of the bank's own members nor one of the
// program folder's own files.
TEST_F(BankBuild, PublishRefusesExactlyTheMemberNamesTheProgramRefuses) {
  ASSERT_EQ(Build().code, 0);
  std::vector<std::string> names;  // as stored: GBK bytes
  for (const char* name : {"pictures/q1.png",
                           "pictures/",
                           "./说明.txt",
                           "a\\b.png",
                           "CON.txt",
                           "aux/题1.png",
                           "图片.",
                           "a?b.png",
                           "a<b>.gif",
                           "x|y",
                           "题目 ",
                           "nul.png",
                           "COM1.gif",
                           "LPT9",
                           "../x",
                           "C:x",
                           "a/../../b",
                           "/etc/passwd",
                           "\\\\server\\share",
                           "krnln.fnr",
                           "tessaly.exe",
                           "Tessaly.DLL"}) {
    names.push_back(Gbk(name));
  }
  names.push_back("\xFF\xFE.txt");  // no GBK text
  const std::set<std::string> programFolder = {"关键词.txt", "填空题题库.DB", "./MATH.ini",   "math.tmp",
                                               "Bank.zip",   "zentra.RAR",    "版本签名.ini", "math.ini/x.txt"};
  for (const std::string& name : programFolder) names.push_back(Gbk(name));
  const fs::path zip = dir / "extra.zip", scratch = dir / "scratch";
  int accepted = 0;
  for (const std::string& name : names) {
    std::string why;
    ASSERT_TRUE(
        WriteArchive(zip, {{Gbk("填空题题库.db"), bank()}, {Gbk("关键词.txt"), out() / "关键词.txt"}, {name, bank()}},
                     LocalTimeNow(), why))
        << why;
    const bool programTakes =
        rt::CheckMemberName(rt::DecodeMemberName(name, 0)).verdict == rt::MemberVerdict::Accepted &&
        !programFolder.contains(rt::GbkToUtf8(name));
    const std::string refusal = CheckBankArchive(zip, scratch);
    EXPECT_EQ(refusal.empty(), programTakes) << name << ": " << refusal;
    EXPECT_FALSE(fs::exists(scratch));
    accepted += programTakes;
  }
  EXPECT_GT(accepted, 0);
  EXPECT_LT(accepted, static_cast<int>(names.size()));
}

TEST(BankToolCommands, SetVersionWritesOneKeyOfMathIni) {
  ScratchFolder dir;
  const std::string ini = PathToUtf8(dir / "math.ini");
  Outcome run = Tool({"set-version", "--ini", ini, "--key", "主程序版本", "--value", "1.0.3"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, ini + ": [版本信息] 主程序版本=1.0.3\n");
  ASSERT_EQ(Tool({"set-version", "--ini", ini, "--key", "bank", "--value", "2024.1"}).code, 0);
  EXPECT_EQ(ReadAll(dir / "math.ini"),
            "[" + Gbk("版本信息") + "]\r\n" + Gbk("主程序版本") + "=1.0.3\r\n" + Gbk("题库版本") + "=2024.1\r\n");

  const auto before = Snapshot(dir.path());
  EXPECT_EQ(Tool({"set-version", "--ini", ini, "--key", "版本", "--value", "1"}).code, 1);
  EXPECT_EQ(Tool({"set-version", "--ini", ini, "--key", "bank", "--value", " 1"}).code, 1);
  WriteAll(dir / "utf8.ini", "\xEF\xBB\xBF[版本信息]\r\n");
  run = Tool({"set-version", "--ini", PathToUtf8(dir / "utf8.ini"), "--key", "bank", "--value", "1"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("must be GBK text"), std::string::npos);
  fs::remove(dir / "utf8.ini");
  EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(BankToolCommands, HelpDocumentsEveryOptionAndMisuseExitsWith2) {
  const Outcome help = Tool({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* word : {"build",
                           "set-version",
                           "check",
                           "--pictures",
                           "--manifest",
                           "--out",
                           "--keywords",
                           "--bank-version",
                           "--ini",
                           "--key",
                           "--value",
                           "--bank",
                           "题目",
                           "参考答案",
                           "解答过程",
                           "单元",
                           "正答",
                           "错答",
                           "关键词.txt",
                           "bank.zip",
                           "math.ini",
                           "publish",
                           "--server",
                           "--bank-version",
                           "--program",
                           "--program-version",
                           "zentra.rar",
                           "keygen",
                           "update-signing-key.txt",
                           "题库签名",
                           "主程序签名",
                           "--input",
                           "题目表.csv",
                           "图片",
                           "关键词列表.txt",
                           "题目文字",
                           "参考答案文字",
                           "解答过程文字",
                           "插图",
                           "插图位置",
                           "QuestionSources"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(Tool({"build", "--help"}).out, help.out);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"make"},
           {"check"},
           {"check", "--bank"},
           {"check", "--bank", "a", "--bank", "b"},
           {"check", "--bank", "a", "extra"},
           {"build", "--pictures", "p", "--manifest", "m"},
           {"build", "--out", "o"},
           {"build", "--pictures", "p", "--out", "o"},
           {"build", "--input", "set.zip", "--manifest", "m", "--out", "o"},
           {"set-version", "--ini", "x", "--key", "bank", "--value", "1", "--keywords", "k"}}) {
    const Outcome run = Tool(args);
    EXPECT_EQ(run.code, 2) << testing::PrintToString(args);
    EXPECT_NE(run.err.find("banktool"), std::string::npos);
  }
}

}  // namespace
