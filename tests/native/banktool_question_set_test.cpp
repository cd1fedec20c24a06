// The bank tool and the question editor's export: a question set (题目表.csv
// with its source columns, 图片/, 关键词列表.txt) built from a folder or a zip
// archive, its sources kept in the bank, input it refuses, and a bank exported
// as a set and built again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace {

using namespace banktool;
using namespace banktool_test;

const std::string kHeader = "题目,参考答案,解答过程,单元,正答,错答,题目文字,参考答案文字,解答过程文字,插图,插图位置";
// The typed texts of record 1: a line break in the question, quotes and a
// line break in the solution.
const std::string kQuestionText = "已知集合 $A=\\{1,2\\}$，\r\n求 $A$ 的子集个数。";
const std::string kSolutionText = "子集有 $\\varnothing$、\"$\\{1\\}$\"…\n共 4 个。";

class QuestionSet : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path set = dir / "set";
    WriteAll(set / "题目表.csv",
             "\xEF\xBB\xBF" + kHeader + "\r\n" +
                 "q1.png,a1.png,s1.png,集合,12,3,\"已知集合 $A=\\{1,2\\}$，\r\n求 $A$ 的子集个数。\",$4$,"
                 "\"子集有 $\\varnothing$、\"\"$\\{1\\}$\"\"…\n共 4 个。\",图形/f1.png,右侧\r\n"
                 "q2.png,a2.png,s2.png,函数,0,0,,,,,\r\n"
                 "q3.png,a1.png,s2.png,集合 子集,5,7,求 $x$,,,,\r\n");
    WriteAll(set / "图片/q1.png", Png(1));
    WriteAll(set / "图片/q2.png", Png(2));
    WriteAll(set / "图片/q3.png", Png(3));
    WriteAll(set / "图片/a1.png", Png(4));
    WriteAll(set / "图片/a2.png", Gif());
    WriteAll(set / "图片/s1.png", Bmp());
    WriteAll(set / "图片/s2.png", Png(5));
    WriteAll(set / "图片/图形/f1.png", Png(6, 40, 30));
    WriteAll(set / "关键词列表.txt", "集合\r\n函数\r\n");
  }

  Outcome Build(const fs::path& input, const fs::path& out) {
    return Tool({"build", "--input", PathToUtf8(input), "--out", PathToUtf8(out)});
  }

  // A zip archive of the files under `folder`, each named by its path below
  // it after `top` (UTF-8, marked so).
  fs::path Zip(const std::string& name, const fs::path& folder, const std::string& top = "") {
    std::vector<ArchiveEntry> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) {
        entries.push_back({top + PathToUtf8(fs::relative(entry.path(), folder)), entry.path(), true});
      }
    }
    return ZipOf(name, entries);
  }
  fs::path ZipOf(const std::string& name, const std::vector<ArchiveEntry>& entries) {
    std::string why;
    EXPECT_TRUE(WriteArchive(dir / name, entries, LocalTimeNow(), why)) << why;
    return dir / name;
  }

  ScratchFolder dir;
};

TEST_F(QuestionSet, SourcesGoIntoTheirOwnTableOnlyForRowsThatHaveThem) {
  const Outcome run = Build(dir / "set", dir / "bank");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "banktool build: 3 questions (2 with their sources) and 2 keywords written to " +
                         PathToUtf8(dir / "bank") + ": 填空题题库.db, 关键词.txt, bank.zip\n");
  const fs::path bank = dir / "bank/填空题题库.db";
  EXPECT_EQ(Query(bank, "SELECT name, type, pk FROM pragma_table_info('QuestionSources')"),
            (Rows{{"记录号", "INTEGER", "1"},
                  {"题目文字", "TEXT", "0"},
                  {"参考答案文字", "TEXT", "0"},
                  {"解答过程文字", "TEXT", "0"},
                  {"插图", "BLOB", "0"},
                  {"插图位置", "TEXT", "0"}}));
  EXPECT_EQ(Query(bank, "SELECT \"table\" FROM pragma_foreign_key_list('QuestionSources')"), (Rows{{"QuestionBank"}}));
  // Texts as typed, line breaks and all; what a row leaves empty is NULL.
  EXPECT_EQ(Query(bank,
                  "SELECT 记录号, 题目文字, 参考答案文字, 解答过程文字, 插图, typeof(插图), 插图位置 "
                  "FROM QuestionSources ORDER BY 1"),
            (Rows{{"1", kQuestionText, "$4$", kSolutionText, Png(6, 40, 30), "blob", "右侧"},
                  {"3", "求 $x$", "NULL", "NULL", "NULL", "null", "NULL"}}));
  EXPECT_EQ(Query(bank, "SELECT 记录号, 单元, 正答, 错答 FROM QuestionBank ORDER BY 1"),
            (Rows{{"1", "集合", "12", "3"}, {"2", "函数", "0", "0"}, {"3", "集合 子集", "5", "7"}}));
  EXPECT_EQ(ReadAll(dir / "bank/关键词.txt"), Gbk("集合\r\n函数\r\n"));

  // Without source values there is no such table at all.
  WriteAll(dir / "set/题目表.csv", kHeader + "\nq1.png,a1.png,s1.png,集合,12,3,,,,,\n");
  ASSERT_EQ(Build(dir / "set", dir / "plain").code, 0);
  EXPECT_EQ(Query(dir / "plain/填空题题库.db", "SELECT count(*) FROM sqlite_master WHERE name = 'QuestionSources'"),
            (Rows{{"0"}}));
}

// The editor's zip, that zip unpacked by Windows' "extract all" (one folder at
// the top), and a zip whose members sit in one folder all make the same bank.
TEST_F(QuestionSet, AFolderAZipAndEitherInsideOneTopFolderBuildTheSameBank) {
  ASSERT_EQ(Build(dir / "set", dir / "from-folder").code, 0);
  const std::vector<BankQuestion> expected = BankQuestions(dir / "from-folder/填空题题库.db");
  ASSERT_EQ(expected.size(), 3u);
  fs::create_directories(dir / "extracted");
  fs::copy(dir / "set", dir / "extracted/题库导出", fs::copy_options::recursive);
  const std::vector<fs::path> inputs = {Zip("set.zip", dir / "set"), Zip("wrapped.zip", dir / "set", "题库导出/"),
                                        dir / "extracted"};
  for (const fs::path& input : inputs) {
    const fs::path out = dir / ("from-" + PathToUtf8(input.filename()));
    const Outcome run = Build(input, out);
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<BankQuestion> built = BankQuestions(out / "填空题题库.db");
    ASSERT_EQ(built.size(), expected.size()) << input;
    for (size_t i = 0; i < built.size(); ++i) {
      EXPECT_EQ(built[i].unit, expected[i].unit);
      EXPECT_TRUE(built[i].pictures == expected[i].pictures) << input << " record " << i + 1;
      ASSERT_EQ(built[i].sources.has_value(), expected[i].sources.has_value());
      if (!built[i].sources) continue;
      EXPECT_TRUE(built[i].sources->texts == expected[i].sources->texts);
      EXPECT_TRUE(built[i].sources->figure == expected[i].sources->figure);
      EXPECT_EQ(built[i].sources->place, expected[i].sources->place);
    }
    EXPECT_EQ(ReadAll(out / "关键词.txt"), ReadAll(dir / "from-folder/关键词.txt"));
  }
  // --keywords takes the place of the set's own list.
  WriteAll(dir / "other.txt", "子集\n");
  const Outcome other = Tool({"build", "--input", PathToUtf8(inputs[0]), "--keywords", PathToUtf8(dir / "other.txt"),
                              "--out", PathToUtf8(dir / "other")});
  ASSERT_EQ(other.code, 0) << other.err;
  EXPECT_EQ(ReadAll(dir / "other/关键词.txt"), Gbk("子集\r\n"));
}

TEST_F(QuestionSet, UnusableInputIsRefusedWithItsReasonAndNothingIsWritten) {
  ASSERT_EQ(Build(dir / "set", dir / "bank").code, 0);
  const auto before = Snapshot(dir / "bank");

  const fs::path table = dir / "set/题目表.csv", picture = dir / "set/图片/q1.png";
  const std::string bytes = ReadAll(ZipOf("good.zip", {{"题目表.csv", table, true}, {"图片/q1.png", picture, true}}));
  WriteAll(dir / "truncated.zip", bytes.substr(0, bytes.size() / 2));
  // One byte of the table's compressed data changed, past its member's header: its CRC-32 fails.
  std::string damaged = bytes;
  damaged[60] = static_cast<char>(damaged[60] ^ 0x55);
  WriteAll(dir / "damaged.zip", damaged);
  const fs::path escaping =
      ZipOf("escaping.zip",
            {{"题目表.csv", table, true}, {"图片/q1.png", picture, true}, {"图片/../../q1.png", picture, true}});
  const fs::path absolute = ZipOf("absolute.zip", {{"题目表.csv", table, true}, {"/图片/q1.png", picture, true}});
  const fs::path noTable = ZipOf("no-table.zip", {{"图片/q1.png", picture, true}});
  const fs::path noPictures = ZipOf("no-pictures.zip", {{"题目表.csv", table, true}});
  fs::create_directories(dir / "empty folder");
  WriteAll(dir / "not-a-picture/题目表.csv", kHeader + "\nq1.png,a1.png,s1.png,集合,1,1,,,,说明.txt,\n");
  for (const char* name : {"q1.png", "a1.png", "s1.png"}) WriteAll(dir / "not-a-picture/图片" / name, Png(1));
  WriteAll(dir / "not-a-picture/图片/说明.txt", "a note, not a figure");

  const std::vector<std::pair<fs::path, std::string>> cases = {
      {dir / "truncated.zip", "truncated.zip: is not a zip archive, or it is damaged"},
      {dir / "damaged.zip", "题目表.csv: cannot be read: the archive is damaged at it"},
      {escaping,
       "escaping.zip: the member \"图片/../../q1.png\" leads out of the archive with \"..\"; the archive "
       "is not read"},
      {absolute, "absolute.zip: the member \"/图片/q1.png\" is an absolute path"},
      {noTable, "no-table.zip: holds no 题目表.csv; a question set holds 题目表.csv, the folder 图片"},
      {noPictures, "no-pictures.zip: holds no folder 图片 beside 题目表.csv"},
      {dir / "empty folder", "empty folder: holds no 题目表.csv"},
      {dir / "missing.zip", "missing.zip: there is no such file or folder"},
      {dir / "not-a-picture", "题目表.csv: row 2, column 插图: \"说明.txt\" is not a picture (GIF, PNG, JPEG or BMP)"},
  };
  for (const auto& [input, message] : cases) {
    const Outcome run = Build(input, dir / "bank");
    EXPECT_EQ(run.code, 1) << input;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_EQ(Snapshot(dir / "bank"), before) << input;
    EXPECT_EQ(Build(input, dir / "new").code, 1);
    EXPECT_FALSE(fs::exists(dir / "new")) << input;
  }
}

// What the editor exported comes back byte for byte: built, exported (as a
// folder, then as a zip), built and exported again.
TEST_F(QuestionSet, ExportThenBuildGivesBackEverySourceAndPictureByteForByte) {
  ASSERT_EQ(Build(dir / "set", dir / "b1").code, 0);
  const Outcome exported = Tool({"export", "--bank", PathToUtf8(dir / "b1"), "--out", PathToUtf8(dir / "e1")});
  ASSERT_EQ(exported.code, 0) << exported.err;
  EXPECT_EQ(exported.out, "banktool export: 3 questions (2 with their sources) written to " + PathToUtf8(dir / "e1") +
                              ": 题目表.csv, 图片/, 关键词列表.txt\n  to build it again: banktool build --input " +
                              PathToUtf8(dir / "e1") + " --out FOLDER\n");
  // UTF-8 with a byte order mark, CR LF line ends, a value with line breaks quoted across lines.
  EXPECT_EQ(ReadAll(dir / "e1/题目表.csv"),
            "\xEF\xBB\xBF" + kHeader + "\r\n" +
                "q0001.png,a0001.png,s0001.bmp,集合,12,3,\"已知集合 $A=\\{1,2\\}$，\r\n求 $A$ 的子集个数。\",$4$,"
                "\"子集有 $\\varnothing$、\"\"$\\{1\\}$\"\"…\n共 4 个。\",f0001.png,右侧\r\n"
                "q0002.png,a0002.gif,s0002.png,函数,0,0,,,,,\r\n"
                "q0003.png,a0003.png,s0003.png,集合 子集,5,7,求 $x$,,,,\r\n");
  EXPECT_EQ(ReadAll(dir / "e1/图片/f0001.png"), ReadAll(dir / "set/图片/图形/f1.png"));
  EXPECT_EQ(ReadAll(dir / "e1/关键词列表.txt"), "集合\r\n函数\r\n");

  ASSERT_EQ(Build(dir / "e1", dir / "b2").code, 0);
  const fs::path zip = dir / "e 2.zip";
  const Outcome zipped = Tool({"export", "--bank", PathToUtf8(dir / "b2/填空题题库.db"), "--out", PathToUtf8(zip)});
  ASSERT_EQ(zipped.code, 0) << zipped.err;
  EXPECT_TRUE(zipped.out.ends_with("--input \"" + PathToUtf8(zip) + "\" --out FOLDER\n")) << zipped.out;
  ASSERT_EQ(Build(zip, dir / "b3").code, 0);
  ASSERT_EQ(Tool({"export", "--bank", PathToUtf8(dir / "b3"), "--out", PathToUtf8(dir / "e3")}).code, 0);
  EXPECT_EQ(Snapshot(dir / "e3"), Snapshot(dir / "e1"));
  EXPECT_EQ(Query(dir / "b3/填空题题库.db", "SELECT * FROM QuestionSources ORDER BY 1"),
            Query(dir / "b1/填空题题库.db", "SELECT * FROM QuestionSources ORDER BY 1"));
  EXPECT_EQ(Query(dir / "b3/填空题题库.db", "SELECT * FROM QuestionPictures ORDER BY 1"),
            Query(dir / "b1/填空题题库.db", "SELECT * FROM QuestionPictures ORDER BY 1"));

  // Neither replaces anything: an archive that is there is refused and left as it was.
  const std::string archive = ReadAll(zip);
  const Outcome again = Tool({"export", "--bank", PathToUtf8(dir / "b1"), "--out", PathToUtf8(zip)});
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.err.find("e 2.zip: is there already"), std::string::npos) << again.err;
  EXPECT_EQ(ReadAll(zip), archive);
  EXPECT_EQ(Tool({"export", "--bank", PathToUtf8(dir / "none.db"), "--out", PathToUtf8(dir / "e4.zip")}).code, 1);
  EXPECT_FALSE(fs::exists(dir / "e4.zip"));
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(PathToUtf8(entry.path().filename()).find(".banktool-"), std::string::npos)
        << "left behind: " << entry.path();
  }
}

}  // namespace
