// What a downloaded bank.zip may hold: no two members of one file (letter
// case, GBK and UTF-8 spellings), at most 64 members, nothing in place of the
// program folder's own files. Such an archive changes nothing on the
// student's program.
#include <string>
#include <vector>

#include "program/control_ids.h"
#include "tests/e2e/update_fixture.h"

using namespace program;

namespace e2e {
namespace {

class BankArchiveRulesTest : public UpdateFixture {
 protected:
  // The student's old bank is still what is installed and open.
  void ExpectTheOldBank() {
    EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), BankBytes(kOld));
    EXPECT_EQ(ReadFileBytes(Path(L"关键词.txt")), Gbk(kOldKeywords));
    EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
    EXPECT_FALSE(FileExists(Path(L"bank-update")));
    ComposeAll();
    EXPECT_EQ(Text(状态栏), L"试卷一共有3题，现在练习第1题");
    EXPECT_EQ(kOldSeeds.count(OnShow()), 1u);
  }
};

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 4, '\0');
  bytes.resize(
      static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                              static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// Two members that Windows would write into one file, and an archive of
// thousands of long-named members (which once held the window up for
// seconds while each was unpacked and logged): refused before anything is
// written.
TEST_F(BankArchiveRulesTest, MembersOfOneFileOrTooManyMembersRefuseTheWholeArchive) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  server.PutVersions(L"2", L"1.0.2");
  server.Start();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  std::vector<ZipMember> many;
  for (int i = 0; i < 9990; ++i) {
    many.push_back({"m" + std::to_string(i / 100) + "/" + std::string(200, 'x') + std::to_string(i) + ".txt", "x"});
  }
  struct Case {
    const char* what;
    std::string archive;
    std::vector<std::wstring> log;
  };
  const std::wstring sameNames = std::wstring(L"bank.zip中有同名的文件") + kKeptSuffix;
  const std::vector<Case> cases = {
      {"the keyword file in GBK and in UTF-8",
       BankZip(kNew, kNewKeywords, {{Utf8(L"关键词.txt"), "x", true}}),
       {kLogStart, kLogDownloaded, L"关键词.txt（已拒绝：与另一文件同名）", sameNames}},
      {"the bank in two letter cases",
       BankZip(kNew, kNewKeywords, {{Gbk(L"填空题题库.DB"), BankBytes(kNew)}}),
       {kLogStart, kLogDownloaded, L"填空题题库.DB（已拒绝：与另一文件同名）", sameNames}},
      {"a picture twice",
       BankZip(kNew, kNewKeywords, {{"pictures/Q1.gif", "a"}, {"Pictures\\q1.GIF", "b"}}),
       {kLogStart, kLogDownloaded, L"Pictures\\q1.GIF（已拒绝：与另一文件同名）", sameNames}},
      {"9990 members",
       BankZip(kNew, kNewKeywords, many),
       {kLogStart, kLogDownloaded, std::wstring(L"bank.zip中的文件超过64个") + kKeptSuffix}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.Put(L"zentra\\bank.zip", c.archive);
    Press(升级题库按钮);
    EXPECT_EQ(Log(), c.log);
    EXPECT_EQ(Text(状态栏), c.log.back());
    EXPECT_TRUE(Shown(升级题库按钮));
    EXPECT_FALSE(FileExists(Path(L"pictures")));
    ExpectTheOldBank();
  }
}

// Members named as the program folder's own files, in any letter case or
// encoding, are refused; the bank in the archive is installed, and the
// program's files are what they were (or what the upgrade itself wrote).
TEST_F(BankArchiveRulesTest, MembersInPlaceOfTheProgramsOwnFilesAreRefused) {
  OldProgramFolder();
  folder_.WriteFile(L"zentra.rar", "the student's program archive");
  folder_.WriteFile(L"版本签名.ini", "the kept signed versions");
  UpdateServer server("public", kPublicAddress);
  const std::string archive = BankZip(kNew, kNewKeywords,
                                      {{"MATH.INI", Gbk(L"[版本信息]\r\n题库版本=9\r\n主程序版本=9\r\n")},
                                       {"Math.tmp", "x"},
                                       {"bank.ZIP", "x"},
                                       {"zentra.rar", "Rar!\x1A\x07 not the school's"},
                                       {Gbk(L"版本签名.ini"), "x"},
                                       {Utf8(L"版本签名.INI"), "x", true},
                                       {"math.ini/x.txt", "x"},
                                       {"Tessaly.exe", "MZ"},
                                       {"KRNLN.FNR", "MZ"},
                                       {"sub/math.ini", "a file of the bank's own"}});
  server.Put(L"zentra\\bank.zip", archive);
  server.PutVersions(L"2", L"1.0.2");
  server.Start();
  Start();
  const std::string serverVersions = ReadFileBytes(Path(L"math.tmp"));
  Press(升级题库按钮);
  const std::wstring refused = L"（已拒绝：不能替换程序文件）";
  EXPECT_EQ(Log(), (std::vector<std::wstring>{
                       kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", L"MATH.INI" + refused,
                       L"Math.tmp" + refused, L"bank.ZIP" + refused, L"zentra.rar" + refused, L"版本签名.ini" + refused,
                       L"版本签名.INI" + refused, L"math.ini/x.txt" + refused, L"Tessaly.exe" + refused,
                       L"KRNLN.FNR" + refused, L"sub/math.ini", kLogDone}));
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n"));
  EXPECT_EQ(ReadFileBytes(Path(L"math.tmp")), serverVersions);
  EXPECT_EQ(ReadFileBytes(Path(L"bank.zip")), archive);
  EXPECT_EQ(ReadFileBytes(Path(L"zentra.rar")), "the student's program archive");
  EXPECT_EQ(ReadFileBytes(Path(L"版本签名.ini")), "the kept signed versions");
  EXPECT_EQ(ReadFileBytes(Path(L"tessaly.exe")), ReadFileBytes(BinDirectory() + L"\\tessaly.exe"));
  EXPECT_EQ(ReadFileBytes(Path(L"krnln.fnr")), ReadFileBytes(BinDirectory() + L"\\krnln.fnr"));
  EXPECT_EQ(ReadFileBytes(Path(L"sub\\math.ini")), "a file of the bank's own");
  ComposeAll();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
}

}  // namespace
}  // namespace e2e
