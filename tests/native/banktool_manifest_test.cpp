// The bank tool's manifest: splitting CSV and TSV, and the checks of every
// value that need no picture files, each with its row and column.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tools/teacher_kit/banktool/manifest.h"

namespace {

using namespace banktool;
using Fields = std::vector<std::string>;

const char* const kTsvHeader = "题目\t参考答案\t解答过程\t单元\t正答\t错答\n";

// The problems of a manifest as "row R, column C: text" lines.
std::vector<std::string> Messages(std::string_view manifest) {
  std::vector<std::string> out;
  for (const auto& problem : ReadManifest(manifest).problems) out.push_back(FormatProblem("m.tsv", problem));
  return out;
}

TEST(ManifestTable, TsvRowsCarryTheirLineNumbers) {
  const Table table = ParseTable(std::string("\xEF\xBB\xBF") + "a\tb\r\n1\t2\r\n\r\n  \n3\t\"x\"\n");
  EXPECT_TRUE(table.tabs);
  EXPECT_EQ(table.header, (Fields{"a", "b"}));  // the byte order mark is not part of the first name
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0].line, 2);
  EXPECT_EQ(table.rows[0].fields, (Fields{"1", "2"}));
  EXPECT_EQ(table.rows[1].line, 5);                         // blank lines are skipped but counted
  EXPECT_EQ(table.rows[1].fields, (Fields{"3", "\"x\""}));  // TSV takes quotes literally

  // Lone CRs end lines too, as older spreadsheets on the Mac write them.
  const Table mac = ParseTable("a,b\r1,2\r\r3,4");
  ASSERT_EQ(mac.rows.size(), 2u);
  EXPECT_EQ(mac.rows[1].line, 4);
  EXPECT_EQ(mac.rows[1].fields, (Fields{"3", "4"}));
}

TEST(ManifestTable, CsvQuotedValuesHoldCommasAndDoubledQuotes) {
  const Table table = ParseTable("a,b,c\n\"函数, 单调性\",\"he said \"\"hi\"\"\",\n\"\",plain \"x\",3");
  EXPECT_FALSE(table.tabs);
  ASSERT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.rows[0].fields, (Fields{"函数, 单调性", "he said \"hi\"", ""}));
  EXPECT_EQ(table.rows[1].fields, (Fields{"", "plain \"x\"", "3"}));
  EXPECT_TRUE(table.problems.empty());
}

// Spreadsheets write a cell holding line breaks as a quoted value over several
// lines; a row is numbered by the line it begins on.
TEST(ManifestTable, CsvQuotedValuesRunOverLinesAndRowsAreNumberedByTheLineTheyBeginOn) {
  const Table table = ParseTable(
      "a,b,c\r\n"
      "1,\"line one\r\nline two\nline three\rend\",x\r\n"
      "\r\n"
      "2,\"\",\"say \"\"hi\"\"\r\n\"\r\n"
      "3,y,z");
  EXPECT_TRUE(table.problems.empty());
  ASSERT_EQ(table.rows.size(), 3u);
  EXPECT_EQ(table.rows[0].line, 2);
  EXPECT_EQ(table.rows[0].fields, (Fields{"1", "line one\r\nline two\nline three\rend", "x"}));
  EXPECT_EQ(table.rows[1].line, 7);  // lines 2-5 hold the first row, line 6 is blank
  EXPECT_EQ(table.rows[1].fields, (Fields{"2", "", "say \"hi\"\r\n"}));
  EXPECT_EQ(table.rows[2].line, 9);
  EXPECT_EQ(table.rows[2].fields, (Fields{"3", "y", "z"}));
}

TEST(ManifestTable, CsvQuotingFaultsNameTheRowTheyBeginOn) {
  // A stray quote: its line is passed over and the rows after it are read.
  const Table stray = ParseTable("a,b\n\"closed\"x,2\n\"two\nlines\",3\n4,5\n");
  ASSERT_EQ(stray.problems.size(), 1u);
  EXPECT_EQ(stray.problems[0].line, 2);
  EXPECT_NE(stray.problems[0].text.find("closing quote"), std::string::npos);
  ASSERT_EQ(stray.rows.size(), 2u);
  EXPECT_EQ(stray.rows[0].line, 3);
  EXPECT_EQ(stray.rows[0].fields, (Fields{"two\nlines", "3"}));
  EXPECT_EQ(stray.rows[1].line, 5);

  // A quote never closed would take the rest of the file: named at its row.
  const Table open = ParseTable("a,b\n1,2\n\"open,1\n3,4\n5,6\n");
  ASSERT_EQ(open.problems.size(), 1u);
  EXPECT_EQ(open.problems[0].line, 3);
  EXPECT_NE(open.problems[0].text.find("never closed"), std::string::npos);
  ASSERT_EQ(open.rows.size(), 1u);
  EXPECT_EQ(open.rows[0].line, 2);
}

TEST(ManifestTable, GbkAsSpreadsheetsSaveItIsReadAndOtherTextRefusedWithItsRow) {
  // "集合" in GBK on row 3, as a spreadsheet's plain "CSV" is saved on a Chinese PC.
  const Table gbk = ParseTable("a,b\n1,2\n\xBC\xAF\xBA\xCF,3\n");
  EXPECT_TRUE(gbk.readable);
  EXPECT_TRUE(gbk.gbk);
  ASSERT_EQ(gbk.rows.size(), 2u);
  EXPECT_EQ(gbk.rows[1].fields, (Fields{"集合", "3"}));
  EXPECT_FALSE(ParseTable("a,b\n集合,3\n").gbk);

  // Neither UTF-8 nor GBK: a lone lead byte at the end of row 3.
  const Table neither = ParseTable("a,b\n1,2\n\xBC\xAF\xBA,3\n\xFF");
  EXPECT_FALSE(neither.readable);
  ASSERT_EQ(neither.problems.size(), 1u);
  EXPECT_EQ(neither.problems[0].line, 3);

  const Table utf16 =
      ParseTable(std::string("\xFF\xFE"
                             "a\0,\0",
                             6));
  EXPECT_FALSE(utf16.readable);
  EXPECT_NE(utf16.problems[0].text.find("UTF-16"), std::string::npos);

  EXPECT_FALSE(ParseTable("").readable);
  EXPECT_FALSE(ParseTable("\n题目\n").readable);
}

TEST(Manifest, EmptyColumnsAndRowsASpreadsheetLeavesAtTheEdgesAreIgnored) {
  const Manifest m = ReadManifest(
      "题目,参考答案,解答过程,单元,正答,错答,,\r\n"
      "q.png,a.png,s.png,集合,1,2,,\r\n"
      ",,,,,,,\r\n"
      "q2.png,a2.png,s2.png,函数,0,0\r\n"
      ",,,,,,,\r\n");
  EXPECT_TRUE(m.usable);
  EXPECT_TRUE(m.problems.empty()) << FormatProblem("m.csv", m.problems[0]);
  ASSERT_EQ(m.questions.size(), 2u);
  EXPECT_EQ(m.questions[1].line, 4);
  // A value in a column without a name is no edge: the row is refused.
  EXPECT_EQ(ReadManifest("题目,参考答案,解答过程,单元,正答,错答,\nq.png,a.png,s.png,集合,1,2,x\n").problems.size(), 1u);
}

TEST(Manifest, ColumnsAreFoundByNameInAnyOrderAndExtraOnesIgnored) {
  const Manifest manifest = ReadManifest(
      "备注,错答, 单元 ,正答,解答过程,参考答案,题目\n"
      "note,3,\"函数, 单调性\",12,s1.png,a1.png,sub\\q1.png\n");
  ASSERT_TRUE(manifest.usable);
  ASSERT_EQ(manifest.questions.size(), 1u);
  const QuestionRow& q = manifest.questions[0];
  EXPECT_TRUE(q.textOk);
  EXPECT_EQ(q.line, 2);
  EXPECT_EQ(q.question, "sub/q1.png");
  EXPECT_EQ(q.answer, "a1.png");
  EXPECT_EQ(q.solution, "s1.png");
  EXPECT_EQ(q.unit, "函数, 单调性");
  EXPECT_EQ(q.correct, 12);
  EXPECT_EQ(q.wrong, 3);
}

TEST(Manifest, MissingOrRepeatedColumnsStopAtTheHeader) {
  EXPECT_EQ(Messages("题目\t参考答案\t单元\t正答\t错答\tx\nq\ta\tu\t1\t2\t3\n"),
            (std::vector<std::string>{
                "m.tsv: row 1, column 解答过程: missing from the header row (it has: 题目, 参考答案, 单元, 正答, "
                "错答, x)"}));
  const Manifest repeated = ReadManifest("题目,参考答案,解答过程,单元,正答,错答,单元\nq,a,s,u,1,2,v\n");
  EXPECT_FALSE(repeated.usable);
  ASSERT_EQ(repeated.problems.size(), 1u);
  EXPECT_EQ(FormatProblem("m.csv", repeated.problems[0]), "m.csv: row 1, column 单元: appears twice in the header row");
}

TEST(Manifest, ARowWithTheWrongNumberOfValuesIsNamed) {
  const std::string manifest = std::string("题目,参考答案,解答过程,单元,正答,错答\n") + "q1,a,s,u,1,2\n" +
                               "q2,a,s,函数,单调性,1,2\n" + "q3,a,s,u,1\n";
  EXPECT_EQ(Messages(manifest),
            (std::vector<std::string>{
                "m.tsv: row 3: has 7 values, but the header row has 6 (a value holding a comma must be put in "
                "double quotes)",
                "m.tsv: row 4: has 5 values, but the header row has 6"}));
}

TEST(Manifest, CountsMustBeWholeNumbersFromZeroTo2147483647) {
  struct Case {
    const char* value;
    const char* message;  // null when accepted
  };
  const Case cases[] = {
      {"0", nullptr},
      {"007", nullptr},
      {"2147483647", nullptr},
      {"abc", "\"abc\" is not a whole number"},
      {"1.5", "\"1.5\" is not a whole number"},
      {"+3", "\"+3\" is not a whole number"},
      {"１２", "\"１２\" is not a whole number"},
      {"-3", "\"-3\" is negative; a count is 0 or more"},
      {"2147483648", "\"2147483648\" is too large (at most 2147483647)"},
      {"99999999999999999999", "\"99999999999999999999\" is too large (at most 2147483647)"},
      {"", "is empty; write a whole number such as 0"},
  };
  for (const Case& c : cases) {
    const auto messages = Messages(std::string(kTsvHeader) + "q.png\ta.png\ts.png\t集合\t" + c.value + "\t1\n");
    if (!c.message) {
      EXPECT_TRUE(messages.empty()) << c.value;
    } else {
      EXPECT_EQ(messages, (std::vector<std::string>{std::string("m.tsv: row 2, column 正答: ") + c.message}))
          << c.value;
    }
  }
  std::string why;
  EXPECT_EQ(ParseCount("-0", why), 0);
  EXPECT_EQ(ParseCount("2147483647", why), 2147483647);
}

TEST(Manifest, UnitsMustBeNonEmptyAndFitGbk) {
  const std::string manifest = std::string(kTsvHeader) + "q1.png\ta\ts\t  \t1\t1\n" + "q2.png\ta\ts\t函数😀\t1\t1\n" +
                               "q3.png\ta\ts\t한국어\t1\t1\n" + "q4.png\ta\ts\tα、β 与 π ①\t1\t1\n";
  EXPECT_EQ(Messages(manifest),
            (std::vector<std::string>{
                "m.tsv: row 2, column 单元: is empty; write the unit and knowledge points of the question",
                "m.tsv: row 3, column 单元: \"函数😀\" holds \"😀\" (U+1F600), which GBK cannot encode; the "
                "program shows units in GBK",
                "m.tsv: row 4, column 单元: \"한국어\" holds \"한\" (U+D55C), which GBK cannot encode; the program "
                "shows units in GBK"}));
}

TEST(Manifest, PictureNamesMustStayInsideThePicturesFolder) {
  std::string why;
  EXPECT_EQ(NormalisePictureName("./set1\\q1.png", why), "set1/q1.png");
  EXPECT_EQ(NormalisePictureName("set1//./q1.png", why), "set1/q1.png");
  for (const char* bad :
       {"", "/etc/passwd", "\\\\server\\q.png", "C:\\pictures\\q.png", "../q.png", "set1/../../q.png", "set1/", "."}) {
    EXPECT_FALSE(NormalisePictureName(bad, why)) << bad;
  }
  EXPECT_EQ(
      Messages(std::string(kTsvHeader) + "../q.png\t\ta.png\t集合\t1\t1\n"),
      (std::vector<std::string>{"m.tsv: row 2, column 题目: \"../q.png\" leads out of the pictures folder (\"..\")",
                                "m.tsv: row 2, column 参考答案: is empty; write the file name of the picture"}));
}

TEST(Manifest, AQuestionPictureNamedTwiceIsADuplicateRow) {
  const Manifest manifest = ReadManifest(std::string(kTsvHeader) + "q1.png\ta1\ts1\t集合\t1\t1\n" +
                                         "q2.png\ta1\ts1\t集合\t1\t1\n" + "./q1.png\ta3\ts3\t函数\t2\t2\n");
  ASSERT_EQ(manifest.problems.size(), 1u);
  EXPECT_EQ(FormatProblem("m.tsv", manifest.problems[0]),
            "m.tsv: row 4, column 题目: \"./q1.png\" is already the question of row 2; this row repeats it");
  ASSERT_EQ(manifest.questions.size(), 3u);
  EXPECT_TRUE(manifest.questions[1].textOk);  // the same answer picture twice is fine
  EXPECT_FALSE(manifest.questions[2].textOk);
}

const char* const kSourcesHeader =
    "题目,参考答案,解答过程,单元,正答,错答,题目文字,参考答案文字,解答过程文字,插图,插图位置\n";

TEST(Manifest, SourceColumnsAreOptionalAndTheirTextsKeptAsWritten) {
  const Manifest manifest =
      ReadManifest(std::string(kSourcesHeader) +
                   "q1.png,a1.png,s1.png,集合,1,2,\"  求 $x^2$，\r\n其中 \"\"x\"\" 为实数 \",$1$,,"
                   "图\\f1.png,右侧\n"
                   "q2.png,a2.png,s2.png,函数,0,0,,,,,\n");
  EXPECT_TRUE(manifest.problems.empty());
  ASSERT_EQ(manifest.questions.size(), 2u);
  const QuestionSources& sources = manifest.questions[0].sources;
  EXPECT_EQ(sources.texts, (std::array<std::string, 3>{"  求 $x^2$，\r\n其中 \"x\" 为实数 ", "$1$", ""}));
  EXPECT_EQ(sources.figure, "图/f1.png");
  EXPECT_EQ(sources.place, "右侧");
  EXPECT_TRUE(manifest.questions[1].sources.empty());
  EXPECT_EQ(manifest.questions[1].line, 4);

  // A table without them: no sources, the rest as ever.
  const Manifest plain = ReadManifest(std::string(kTsvHeader) + "q.png\ta.png\ts.png\t集合\t1\t1\n");
  ASSERT_EQ(plain.questions.size(), 1u);
  EXPECT_TRUE(plain.questions[0].textOk);
  EXPECT_TRUE(plain.questions[0].sources.empty());
}

TEST(Manifest, SourceValuesThatCannotBeKeptNameTheirRowAndColumn) {
  const std::string longest(kLongestSourceText, 'x');
  EXPECT_EQ(
      Messages(std::string(kSourcesHeader) + "q1.png,a,s,集合,1,1,\"" + longest +
               "\r\n\",,,,\n" +  // rows 2-3: one byte too long
               "q2.png,a,s,集合,1,1," + longest +
               ",a\x01"
               "b,,../f.png,左侧\n" +                    // row 4
               "q3.png,a,s,集合,1,1,,,\"\t\r\n\",,\n"),  // rows 5-6: fine
      (std::vector<std::string>{
          "m.tsv: row 2, column 题目文字: is 20002 bytes long; a typed text may be at most 20000",
          "m.tsv: row 4, column 参考答案文字: holds the control character U+0001; a typed text may hold tabs "
          "and line breaks only",
          "m.tsv: row 4, column 插图: \"../f.png\" leads out of the pictures folder (\"..\")",
          "m.tsv: row 4, column 插图位置: \"左侧\" is no place for the figure; write 下方 or 右侧 (empty: 下方)"}));
  const Manifest twice = ReadManifest("题目,参考答案,解答过程,单元,正答,错答,插图,插图\nq,a,s,u,1,2,f,g\n");
  EXPECT_FALSE(twice.usable);
  EXPECT_EQ(FormatProblem("m.csv", twice.problems.at(0)), "m.csv: row 1, column 插图: appears twice in the header row");
}

TEST(Manifest, ProblemsOfARowAreReportedInTheOrderOfItsColumns) {
  EXPECT_EQ(Messages("错答\t正答\t单元\t题目\t参考答案\t解答过程\nx\ty\t\tq\ta\ts\n"),
            (std::vector<std::string>{"m.tsv: row 2, column 错答: \"x\" is not a whole number",
                                      "m.tsv: row 2, column 正答: \"y\" is not a whole number",
                                      "m.tsv: row 2, column 单元: is empty; write the unit and knowledge points "
                                      "of the question"}));
}

}  // namespace
