// The INI family: reading an item as Windows' profile functions do, and
// setting one while keeping every other byte of the file. Literals are GBK,
// like the program's files.
#include "runtime/data/ini.h"
#include "runtime/files/ini_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "runtime/data/encoding.h"

namespace {

namespace fs = std::filesystem;

const char kSection[] = "版本信息";
const char kBank[] = "题库版本";
const char kProgram[] = "主程序版本";

std::string Read(const std::string& ini, const char* section, const char* key) {
  return std::string(rt::IniValue(ini, section, key).view());
}

TEST(IniRead, FindsTheKeyOfTheNamedSectionOnly) {
  const std::string ini =
      "; "
      "说明\r\n[公告]\r\n题库版本=不是这个\r\n\r\n[版本信息]\r\n主程序版本=1.0.3\r\n题库版本=2024.09\r\n[其他]"
      "\r\n题库版本=9\r\n";
  EXPECT_EQ(Read(ini, kSection, kBank), "2024.09");
  EXPECT_EQ(Read(ini, kSection, kProgram), "1.0.3");
  EXPECT_EQ(Read(ini, "公告", kBank), "不是这个");
  EXPECT_EQ(Read(ini, kSection, "没有"), "");
  EXPECT_EQ(Read(ini, "没有", kBank), "");
  EXPECT_EQ(Read("", kSection, kBank), "");
}

TEST(IniRead, BlanksCaseQuotesAndLineEndsAsWindowsReadsThem) {
  EXPECT_EQ(Read("[ 版本信息 ]\n  题库版本 =  3 \n", kSection, kBank), "3");
  EXPECT_EQ(Read("[Version]\r\nBank=1\r\n", "VERSION", "bank"), "1");
  EXPECT_EQ(Read("[版本信息]\r\n题库版本=\"2024 09\"\r\n", kSection, kBank), "2024 09");
  EXPECT_EQ(Read("[版本信息]\r\n题库版本='x'\r\n", kSection, kBank), "x");
  EXPECT_EQ(Read("[版本信息]\r\n题库版本=\"x\r\n", kSection, kBank), "\"x") << "an unmatched quote stays";
  EXPECT_EQ(Read("[版本信息]\r\n题库版本=a=b\r\n", kSection, kBank), "a=b") << "split at the first '='";
  EXPECT_EQ(Read("[版本信息]\r\n题库版本=\r\n", kSection, kBank), "");
  EXPECT_EQ(Read("[版本信息]\r\n;题库版本=1\r\n题库版本=2", kSection, kBank), "2") << "comments and no last line end";
  EXPECT_EQ(Read("\xEF\xBB\xBF[版本信息]\r\n题库版本=5\r\n", kSection, kBank), "5") << "a UTF-8 mark at the start";
  // The first of two keys counts; a second section of the same name is not read.
  EXPECT_EQ(Read("[版本信息]\r\n题库版本=1\r\n题库版本=2\r\n[版本信息]\r\n主程序版本=7\r\n", kSection, kBank), "1");
  EXPECT_EQ(Read("[版本信息]\r\n[版本信息]\r\n主程序版本=7\r\n", kSection, kProgram), "");
  // Letter case is ASCII only: GBK names compare byte for byte.
  EXPECT_EQ(Read("[版本信息]\r\n题库版本=1\r\n", "版本信心", kBank), "");
}

TEST(IniRead, GbkTrailBytesThatLookLikeBracketsOrEqualsSignsAreNoSyntax) {
  // "\xD5\x5D" is one GBK character whose second byte is ']'.
  const std::string section = "节\xD5\x5D名";
  const std::string ini = "[" + section + "]\r\n键=值\r\n";
  EXPECT_EQ(Read(ini, section.c_str(), "键"), "值");
}

std::string Set(const std::string& ini, const char* section, const char* key, const char* value) {
  return rt::WithIniValue(ini, section, key, value);
}

TEST(IniWrite, ReplacesOnlyTheValueAndKeepsEveryOtherByte) {
  const std::string ini = "[公告]\n今天放假\r\n[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.2\r\n\r\n[其他]\r\nx=1";
  const std::string out = Set(ini, kSection, kBank, "2");
  EXPECT_EQ(out, "[公告]\n今天放假\r\n[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n\r\n[其他]\r\nx=1");
  EXPECT_EQ(Read(out, kSection, kBank), "2");
  // A key written with other letter case or blanks is the same key.
  EXPECT_EQ(Set("[V]\r\n Bank = 1\r\n", "v", "BANK", "2"), "[V]\r\nBANK=2\r\n");
}

TEST(IniWrite, AddsAMissingKeyAfterTheSectionsLastLineAndAMissingSectionAtTheEnd) {
  EXPECT_EQ(Set("[版本信息]\r\n题库版本=1\r\n\r\n[其他]\r\n", kSection, kProgram, "1.0.3"),
            "[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.3\r\n\r\n[其他]\r\n");
  EXPECT_EQ(Set("[版本信息]", kSection, kBank, "1"), "[版本信息]\r\n题库版本=1\r\n");
  EXPECT_EQ(Set("", kSection, kBank, "1"), "[版本信息]\r\n题库版本=1\r\n");
  EXPECT_EQ(Set("[其他]\r\nx=1", kSection, kBank, "1"), "[其他]\r\nx=1\r\n\r\n[版本信息]\r\n题库版本=1\r\n");
  // Written into the first section of that name, where readers look.
  const std::string twice = Set("[版本信息]\r\nA=1\r\n[版本信息]\r\n题库版本=9\r\n", kSection, kBank, "2");
  EXPECT_EQ(Read(twice, kSection, kBank), "2");
  // A UTF-8 mark stays in front and does not hide the section.
  EXPECT_EQ(Set("\xEF\xBB\xBF[版本信息]\r\n题库版本=1\r\n", kSection, kBank, "2"),
            "\xEF\xBB\xBF[版本信息]\r\n题库版本=2\r\n");
}

TEST(IniWrite, DroppingRepeatsLeavesTheOneValueInTheFirstSection) {
  const auto drop = [](const std::string& ini) {
    return rt::WithIniValue(ini, kSection, kBank, "9", rt::IniRepeats::Drop);
  };
  EXPECT_EQ(drop("[版本信息]\r\n题库版本=1\r\n题库版本=2\r\n[其他]\r\n题库版本=3\r\n[版本信息]\r\n题库版本=4\r\n"),
            "[版本信息]\r\n题库版本=9\r\n[其他]\r\n题库版本=3\r\n[版本信息]\r\n");
  // Only in a repeat of the section: the value goes where readers look.
  const std::string repeat = drop("[版本信息]\r\n主程序版本=1\r\n[版本信息]\r\n题库版本=4\r\n");
  EXPECT_EQ(repeat, "[版本信息]\r\n主程序版本=1\r\n题库版本=9\r\n[版本信息]\r\n");
  EXPECT_EQ(Read(repeat, kSection, kBank), "9");
}

TEST(IniWrite, RemovingAKeyTakesItsLinesFromEverySectionOfThatNameOnly) {
  EXPECT_EQ(rt::WithoutIniKey("\xEF\xBB\xBF[版本信息]\r\n 题库版本 = 1\r\n主程序版本=2\n[其他]\r\n题库版本=3\r\n"
                              "[版本信息]\r\n; 题库版本=注释\r\n题库版本=4",
                              kSection, kBank),
            "\xEF\xBB\xBF[版本信息]\r\n主程序版本=2\n[其他]\r\n题库版本=3\r\n[版本信息]\r\n; 题库版本=注释\r\n");
}

class IniFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tessaly-ini-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  // The GBK name of a file in the folder, as the program names files.
  std::string Name(const char* utf8) const { return std::string(rt::Utf8ToGbk((dir_ / utf8).string()).view()); }
  fs::path dir_;
};

TEST_F(IniFiles, ReadWriteAndAMissingFile) {
  const std::string ini = Name("math.ini");
  EXPECT_EQ(std::string(rt::ReadIniItem(ini, kSection, kBank).view()), "");
  ASSERT_TRUE(rt::WriteIniItem(ini, kSection, kBank, "2024.09"));
  ASSERT_TRUE(rt::WriteIniItem(ini, kSection, kProgram, "1.0.3"));
  std::ifstream in(dir_ / "math.ini", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), "[版本信息]\r\n题库版本=2024.09\r\n主程序版本=1.0.3\r\n");
  EXPECT_EQ(std::string(rt::ReadIniItem(ini, kSection, kProgram).view()), "1.0.3");
  EXPECT_FALSE(fs::exists(dir_ / "math.ini.new")) << "no temporary is left behind";
  // A folder that does not exist cannot take the file, and nothing is made.
  EXPECT_FALSE(rt::WriteIniItem(Name("none/math.ini"), kSection, kBank, "1"));
  EXPECT_FALSE(fs::exists(dir_ / "none"));
}

}  // namespace
