// A question set dropped onto the bank tool: the bank beside it, and the trial
// copy of the student's program with the new bank and no update servers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/program_settings.h"
#include "program/program_settings_file.h"
#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/drop_build.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace {

using namespace banktool;
using namespace banktool_test;

const std::tm kNow = [] {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 9;
  t.tm_hour = 8;
  t.tm_min = 5;
  return t;
}();

void WriteSet(const fs::path& set) {
  WriteAll(
      set / "题目表.csv",
      "题目,参考答案,解答过程,单元,正答,错答,题目文字\r\nq1.png,a1.png,s1.png,集合,1,2,\"已知\r\n求＿＿＿＿。\"\r\n");
  WriteAll(set / "图片/q1.png", Png(1));
  WriteAll(set / "图片/a1.png", Png(2));
  WriteAll(set / "图片/s1.png", Png(3));
  WriteAll(set / "关键词列表.txt", "集合\r\n");
}

std::string Setting(const fs::path& exe, const program::SettingSlot& slot) {
  const std::string bytes = ReadAll(exe);
  std::string why;
  const auto found = program::ReadProgramSettings(std::vector<uint8_t>(bytes.begin(), bytes.end()), why);
  EXPECT_TRUE(found) << why;
  for (const auto& placed : found->settings) {
    if (placed.setting->name == slot.name) return placed.value;
  }
  return "(none)";
}

TEST(DropBuild, ASetBecomesABankBesideItAndATrialCopyWithoutUpdateServers) {
  const Speaking chinese(toolkit::Language::kChinese);
  ScratchFolder dir;
  WriteSet(dir / "高一 数学");
  const fs::path tools = dir / "工具包";
  WriteAll(tools / "学生程序/tessaly.exe", ReadAll(TESSALY_IMAGE_FILE));
  WriteAll(tools / "学生程序/krnln.fnr", "runtime");
  WriteAll(tools / "学生程序/math.ini", Gbk("[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.2\r\n"));
  ASSERT_NE(Setting(tools / "学生程序/tessaly.exe", program::kPublicUpdateHostSetting), "");

  std::ostringstream out;
  ASSERT_EQ(DropBuild(dir / "高一 数学", tools, kNow, out), 0) << out.str();
  EXPECT_NE(out.str().find("题库建好了"), std::string::npos) << out.str();
  EXPECT_EQ(BankQuestions(dir / "高一 数学-题库/填空题题库.db").size(), 1u);
  EXPECT_NE(ReadAll(dir / "高一 数学-题库/math.ini").find(Gbk("题库版本=2026.12.09.0805")), std::string::npos);

  const fs::path trial = dir / "高一 数学-试用";
  EXPECT_EQ(ReadAll(trial / "填空题题库.db"), ReadAll(dir / "高一 数学-题库/填空题题库.db"));
  EXPECT_EQ(ReadAll(trial / "krnln.fnr"), "runtime");
  const std::string ini = ReadAll(trial / "math.ini");
  EXPECT_NE(ini.find(Gbk("题库版本=2026.12.09.0805")), std::string::npos) << out.str();
  EXPECT_NE(ini.find(Gbk("主程序版本=1.0.2")), std::string::npos);
  EXPECT_EQ(Setting(trial / "tessaly.exe", program::kPublicUpdateHostSetting), "") << out.str();
  EXPECT_EQ(Setting(trial / "tessaly.exe", program::kLanUpdateHostSetting), "");
  // The student's program itself is left as it was.
  EXPECT_EQ(ReadAll(tools / "学生程序/tessaly.exe"), ReadAll(TESSALY_IMAGE_FILE));

  // A second drop (the set mended) replaces the bank and the trial copy.
  std::ostringstream again;
  ASSERT_EQ(DropBuild(dir / "高一 数学", tools, kNow, again), 0);
  EXPECT_NE(again.str().find("试用：双击"), std::string::npos) << again.str();
}

TEST(DropBuild, ARefusedSetWritesNothingAndWithoutAStudentProgramSaysHowToTryIt) {
  const Speaking chinese(toolkit::Language::kChinese);
  ScratchFolder dir;
  WriteSet(dir / "set");
  std::ostringstream out;
  ASSERT_EQ(DropBuild(dir / "set", dir / "no-tools", kNow, out), 0);
  EXPECT_NE(out.str().find("学生程序"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "set-试用"));

  WriteSet(dir / "bad");
  WriteAll(dir / "bad/题目表.csv", "题目,参考答案,解答过程,单元,正答,错答\r\nq1.png,a1.png,s1.png,集合,abc,2\r\n");
  std::ostringstream refused;
  EXPECT_EQ(DropBuild(dir / "bad", dir.path(), kNow, refused), 1);
  EXPECT_NE(refused.str().find("没有建成题库"), std::string::npos);
  EXPECT_NE(refused.str().find("题目表.csv 第2行“正答”列：“abc”不是整数"), std::string::npos) << refused.str();
  EXPECT_FALSE(fs::exists(dir / "bad-题库"));
  EXPECT_TRUE(IsDroppedSet(dir / "set"));
  EXPECT_FALSE(IsDroppedSet(dir / "set/题目表.csv"));
}

}  // namespace
