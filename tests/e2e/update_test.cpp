// Updates against real update servers (nginx by the server kit, on loopback):
// finding the server, the version check, the bank upgrade and its failures,
// the self-repair at start, the main program download, and a bank install cut
// short by the end of the program.
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <set>

#include "program/control_ids.h"
#include "tests/e2e/update_fixture.h"

using namespace program;

namespace e2e {
namespace {

const wchar_t kFlagRequest[] = L"GET /%D6%F7%BB%FA%D4%CB%D0%D0%B1%EA%D6%BE.txt";

class UpdateTest : public UpdateFixture {};

// The status line's texts of a successful probe name the host that answered.
std::wstring Found(const char* address) { return L"与服务器" + Wide(address) + L"通讯成功，正在下载升级信息"; }

TEST_F(UpdateTest, PublicServerIsAskedFirstAndTheLanServerThenLeftAlone) {
  OldProgramFolder();
  UpdateServer publicServer("public", kPublicAddress), lan("lan", kLanAddress);
  // Equal versions, and a notice below them that the student reads on the 关于本软件 page.
  const std::wstring notice = L"[公告]\r\n下周一起使用新题库\r\n";
  publicServer.PutVersions(L"1", L"1.0.2", notice);
  lan.PutVersions(L"9", L"9");
  publicServer.Start("100");  // slow enough to see the status texts go by
  lan.Start();
  Start(false);
  EXPECT_TRUE(driver::WaitUntil([&] { return Text(状态栏) == Found(kPublicAddress); }, 10000));
  ASSERT_TRUE(program_->WaitForUpdateCheck(20000));
  EXPECT_EQ(Text(状态栏), kUpdateInfoStatus);
  EXPECT_EQ(Text(服务器文本), L"[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.2\r\n" + notice);
  EXPECT_FALSE(Shown(升级题库按钮));
  EXPECT_FALSE(Shown(升级主程序按钮));
  EXPECT_EQ(ReadFileBytes(Path(L"math.tmp")), Gbk(L"[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.2\r\n" + notice));
  std::vector<std::wstring> requests;
  for (const std::string& r : publicServer.Requests()) requests.push_back(Wide(r));
  EXPECT_EQ(requests, (std::vector<std::wstring>{kFlagRequest, L"GET /zentra/math.ini"}));
  EXPECT_TRUE(lan.Requests().empty()) << "the LAN server is not contacted";
}

TEST_F(UpdateTest, LanServerIsUsedWhenThePublicServerIsDownOrNotRunning) {
  OldProgramFolder();
  UpdateServer publicServer("public", kPublicAddress), lan("lan", kLanAddress);
  lan.PutVersions(L"2", L"1.0.2");
  lan.Start("100");
  // Nothing listens on the public address.
  Start(false);
  EXPECT_TRUE(driver::WaitUntil([&] { return Text(状态栏) == Found(kLanAddress); }, 10000));
  ASSERT_TRUE(program_->WaitForUpdateCheck(20000));
  EXPECT_TRUE(Shown(升级题库按钮)) << "题库版本 1 here, 2 there";
  EXPECT_FALSE(Shown(升级主程序按钮));
  EXPECT_EQ(program_->Close(), 0u);

  // The public server answers, but its flag file holds two bytes: not running.
  publicServer.PutVersions(L"1", L"1.0.2");
  publicServer.Start("0", "12");
  lan.Start();
  Start();
  EXPECT_EQ(Text(状态栏), kUpdateInfoStatus);
  EXPECT_TRUE(Shown(升级题库按钮)) << "the LAN server's versions count";
  EXPECT_EQ(publicServer.Requests().size(), 1u) << "only the flag file was asked for";
  EXPECT_EQ(lan.Requests().size(), 2u);
}

TEST_F(UpdateTest, WithoutALocalVersionFileBothUpgradesAreOffered) {
  WriteBank(Path(L"填空题题库.db"), kOld);
  folder_.WriteFile(L"关键词.txt", Gbk(kOldKeywords));
  UpdateServer server("public", kPublicAddress);
  server.PutVersions(L"1", L"1.0.2");
  server.Start();
  Start();
  EXPECT_EQ(Text(状态栏), kUpdateInfoStatus);
  EXPECT_TRUE(Shown(升级题库按钮));
  EXPECT_TRUE(Shown(升级主程序按钮));
}

TEST_F(UpdateTest, WithoutAServerStartUpGoesOnWithTheLocalBank) {
  OldProgramFolder();
  Start();
  EXPECT_EQ(Text(状态栏), kNoServerStatus);
  EXPECT_EQ(Text(服务器文本), L"很遗憾，与服务器联系失败，您不能获得升级和反馈支持。");
  EXPECT_FALSE(Shown(升级题库按钮));
  EXPECT_FALSE(Shown(升级主程序按钮));
  EXPECT_EQ(kOldSeeds.count(OnShow()), 1u) << "the first paper is on show";
  EXPECT_EQ(Candidates(), (std::vector<std::wstring>{L"集合", L"函数"}));
  EXPECT_FALSE(FileExists(Path(L"math.tmp")));
}

TEST_F(UpdateTest, BankUpgradeInstallsTheNewBankKeepsThePaperAndIsNotOfferedAgain) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  const std::string newBank = BankBytes(kNew);
  const std::string archive = ZipBytes({{Gbk(L"填空题题库.db"), newBank}, {Gbk(L"关键词.txt"), Gbk(kNewKeywords)}});
  server.Put(L"zentra\\bank.zip", archive);
  server.PutVersions(L"2", L"1.0.2");
  server.Start();
  Start();
  EXPECT_TRUE(Shown(升级题库按钮));
  EXPECT_FALSE(Shown(升级主程序按钮));
  folder_.WriteFile(L"bank.zip", "an earlier download");
  // On show: a question other than record 1 (seed n is record n of the old bank).
  Page(kPageAnswer);
  const bool moved = OnShow() == 1;
  if (moved) ASSERT_TRUE(driver::Click(program_->control(下一题)));
  const int record = OnShow();

  Press(升级题库按钮);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", kLogDone}));
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_TRUE(Shown(升级题库按钮)) << "the button stays";
  EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), newBank);
  EXPECT_EQ(ReadFileBytes(Path(L"关键词.txt")), Gbk(kNewKeywords));
  EXPECT_EQ(ReadFileBytes(Path(L"bank.zip")), archive);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n"));
  EXPECT_FALSE(FileExists(Path(L"bank-update"))) << "no staging folder is left";
  // The reference answer is the one of the paper's record on show, not of
  // record 1, where the reopened bank stands.
  Page(kPageAnswer);
  ASSERT_TRUE(driver::Click(program_->control(参考答案)));
  const driver::PictureInfo answer = driver::Picture(program_->control(参考答案画板));
  EXPECT_EQ(answer.crc, Crc32(AnswerPicture(kNew[static_cast<size_t>(record) - 1].picture)));
  if (moved) ASSERT_TRUE(driver::Click(program_->control(上一题)));

  // The paper of three stays; its record numbers now name the new bank's questions.
  Page(kPageAnswer);
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  EXPECT_EQ(Text(状态栏), L"试卷一共有3题，现在练习第2题");
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
  // The next composition uses the new bank and its keywords.
  Page(kPageCompose);
  ASSERT_TRUE(driver::Click(program_->control(全取消)));
  EXPECT_EQ(Candidates(), (std::vector<std::wstring>{L"数列", L"概率"}));
  ComposeAll();
  EXPECT_EQ(Text(状态栏), L"试卷一共有4题，现在练习第1题");
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);

  // Pressed again: the log starts afresh.
  Press(升级题库按钮);
  EXPECT_EQ(Log().front(), kLogStart);
  EXPECT_EQ(Log().size(), 5u);
  EXPECT_EQ(program_->Close(), 0u);

  Start();
  EXPECT_EQ(Text(状态栏), kUpdateInfoStatus);
  EXPECT_FALSE(Shown(升级题库按钮)) << "the versions are equal now";
  EXPECT_EQ(Text(服务器文本), L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n");
}

TEST_F(UpdateTest, MainProgramIsSavedForTheStudentAndItsVersionRecorded) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  const std::string rar = "Rar!\x1A\x07" + Noise(300000);
  server.Put(L"zentra\\zentra.rar", rar);
  server.PutVersions(L"1", L"1.0.3");
  server.Start();
  Start();
  EXPECT_FALSE(Shown(升级题库按钮));
  ASSERT_TRUE(Shown(升级主程序按钮));
  const std::vector<std::wstring> log = {L"开始下载最新主程序，请稍等……",
                                         L"下载完成，请退出程序后解压缩，覆盖原程序即可"};
  for (int press = 1; press <= 2; ++press) {
    Press(升级主程序按钮);
    EXPECT_EQ(Log(), log) << "press " << press << ": two lines, the earlier ones replaced";
  }
  EXPECT_EQ(ReadFileBytes(Path(L"zentra.rar")), rar);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.3\r\n"));
  EXPECT_TRUE(Shown(升级主程序按钮));

  // A server whose archive has gone answers with its error page: nothing is
  // saved or recorded, and the log says so in its second line.
  server.Remove(L"zentra\\zentra.rar");
  DeleteFileW(Path(L"zentra.rar").c_str());
  folder_.WriteFile(L"math.ini", kOldVersions);
  Press(升级主程序按钮);
  EXPECT_EQ(Log(),
            (std::vector<std::wstring>{log[0], L"下载的文件不是主程序压缩包（可能是服务器的出错页），没有保存"}));
  EXPECT_FALSE(FileExists(Path(L"zentra.rar")));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
  server.Put(L"zentra\\zentra.rar", "");
  Press(升级主程序按钮);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{log[0], L"主程序下载失败，请稍后再试"}));
  EXPECT_EQ(Text(状态栏), L"主程序下载失败，请稍后再试");
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);

  server.Put(L"zentra\\zentra.rar", rar);
  Press(升级主程序按钮);
  EXPECT_EQ(program_->Close(), 0u);
  Start();
  EXPECT_FALSE(Shown(升级主程序按钮)) << "recorded, so not offered again";
}

// A folder that lacks its bank or keyword file, and the server's newer bank.
class SelfRepairTest : public UpdateTest {
 protected:
  void ServerWithTheNewBank() {
    server_.Put(L"zentra\\bank.zip", BankZip(kNew, kNewKeywords));
    server_.PutVersions(L"2", L"1.0.2");
    server_.Start();
  }
  UpdateServer server_{"public", kPublicAddress};
};

TEST_F(SelfRepairTest, MissingBankIsRestoredAndTheFirstPaperComposedFromIt) {
  // The keyword list is loaded before the bank is found missing: the first
  // paper takes the new bank's questions that these keywords find.
  folder_.WriteFile(L"关键词.txt", Gbk(L"数列\r\n函数\r\n"));
  ServerWithTheNewBank();
  StartThroughSelfRepair();
  ASSERT_TRUE(program_->started());
  EXPECT_EQ(Text(状态栏), kUpdateInfoStatus);
  EXPECT_EQ((std::set<int>{6, 7}.count(OnShow())), 1u);
  EXPECT_EQ(Candidates(), (std::vector<std::wstring>{L"数列", L"概率"})) << "the archive's keyword file came too";
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", kLogDone}));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=2\r\n"));
  EXPECT_TRUE(driver::MessageBoxes(program_->process().id).empty());
  // The update check found the server known: no second probe.
  std::vector<std::wstring> requests;
  for (const std::string& r : server_.Requests()) requests.push_back(Wide(r));
  EXPECT_EQ(requests, (std::vector<std::wstring>{kFlagRequest, L"GET /zentra/math.ini", L"GET /zentra/bank.zip",
                                                 L"GET /zentra/math.ini"}));
}

TEST_F(SelfRepairTest, MissingKeywordFileOrDamagedBankIsRestoredToo) {
  WriteBank(Path(L"填空题题库.db"), kOld);
  ServerWithTheNewBank();
  StartThroughSelfRepair();
  ASSERT_TRUE(program_->started());
  EXPECT_EQ(Candidates(), (std::vector<std::wstring>{L"数列", L"概率"}));
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u) << "the bank came with it";
  program_->Close();

  folder_.WriteFile(L"填空题题库.db", "this is no database");
  StartThroughSelfRepair();
  ASSERT_TRUE(program_->started());
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
}

TEST_F(SelfRepairTest, WithoutAServerTheProgramEndsWithItsMessage) {
  folder_.WriteFile(L"关键词.txt", Gbk(kOldKeywords));
  driver::Process process;
  ASSERT_TRUE(driver::Start(folder_.exe(), folder_.path(), process));
  ProcessGuard guard(process);
  HWND notice = WaitForMessageBoxText(process.id, kRepairNotice);
  ASSERT_NE(notice, nullptr);
  driver::DismissMessageBox(notice);
  HWND failed = WaitForMessageBoxText(process.id, kRepairImpossible);
  ASSERT_NE(failed, nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(failed, title, 64);
  EXPECT_STREQ(title, L"信息") << "the runtime's default title";
  EXPECT_EQ(driver::WaitForWindow(process.id, kCaption, 100), nullptr);
  driver::DismissMessageBox(failed);
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(process, 10000, code));
  EXPECT_EQ(code, 0u);
}

TEST_F(SelfRepairTest, AFailedRepairSaysSoAndTheProgramGoesOn) {
  folder_.WriteFile(L"关键词.txt", Gbk(kOldKeywords));
  server_.PutVersions(L"2", L"1.0.2");
  server_.Start();  // but no bank.zip on it
  StartThroughSelfRepair(L"下载的bank.zip不是有效的压缩包");
  ASSERT_TRUE(program_->started());
  EXPECT_EQ(OnShow(), 0) << "no bank: an empty paper";
  EXPECT_EQ(Log().back(), std::wstring(L"下载的bank.zip不是有效的压缩包") + kKeptSuffix);
}

// Every way a bank download can go wrong leaves the old bank open and in
// place, the versions as they were and the button there to try again.
TEST_F(UpdateTest, FailedOrUnusableBankDownloadsChangeNothing) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  server.PutVersions(L"2", L"1.0.2");
  server.Start();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  const std::string oldBank = ReadFileBytes(Path(L"填空题题库.db"));
  const std::string good = BankZip(kNew, kNewKeywords);
  std::string damaged = ZipBytes({{Gbk(L"填空题题库.db"), BankBytes(kNew), false, true}, {Gbk(L"关键词.txt"), "x"}});
  damaged[damaged.find("SQLite format 3") + 200] ^= 0x55;

  struct Case {
    const char* what;
    std::optional<std::string> body;  // none: no such file on the server
    std::vector<std::wstring> log;
  };
  const std::wstring notArchive = std::wstring(L"下载的bank.zip不是有效的压缩包") + kKeptSuffix;
  const std::wstring incomplete = std::wstring(L"bank.zip中缺少可用的题库或关键词文件") + kKeptSuffix;
  const std::vector<Case> cases = {
      {"not on the server (error page)", std::nullopt, {kLogStart, kLogDownloaded, notArchive}},
      {"empty", std::string(), {kLogStart, std::wstring(L"题库下载失败") + kKeptSuffix}},
      {"no archive", Noise(5000), {kLogStart, kLogDownloaded, notArchive}},
      {"cut off", good.substr(0, good.size() / 2), {kLogStart, kLogDownloaded, notArchive}},
      {"a damaged member",
       damaged,
       {kLogStart, kLogDownloaded, L"填空题题库.db（未能解压）", L"关键词.txt",
        std::wstring(L"bank.zip中有文件无法解压") + kKeptSuffix}},
      {"no keyword file",
       ZipBytes({{Gbk(L"填空题题库.db"), BankBytes(kNew)}}),
       {kLogStart, kLogDownloaded, L"填空题题库.db", incomplete}},
      {"no bank in it",
       ZipBytes({{Gbk(L"填空题题库.db"), "plain text"}, {Gbk(L"关键词.txt"), "x"}}),
       {kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", incomplete}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.body) {
      server.Put(L"zentra\\bank.zip", *c.body);
    } else {
      server.Remove(L"zentra\\bank.zip");
    }
    Press(升级题库按钮);
    EXPECT_EQ(Log(), c.log);
    EXPECT_EQ(Text(状态栏), c.log.back());
    EXPECT_TRUE(Shown(升级题库按钮));
    EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), oldBank);
    EXPECT_EQ(ReadFileBytes(Path(L"关键词.txt")), Gbk(kOldKeywords));
    EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
    EXPECT_FALSE(FileExists(Path(L"bank-update")));
    // The old bank is still open: the paper can be moved through and composed.
    ComposeAll();
    EXPECT_EQ(Text(状态栏), L"试卷一共有3题，现在练习第1题");
    EXPECT_EQ(kOldSeeds.count(OnShow()), 1u);
  }
}

TEST_F(UpdateTest, ServerKilledMidDownloadChangesNothingAndALaterTrySucceeds) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  // About ten seconds at the limited rate.
  server.Put(L"zentra\\bank.zip", BankZip(kNew, kNewKeywords, {{"noise.bin", Noise(3 << 20), false, true}}));
  server.PutVersions(L"2", L"1.0.2");
  server.Start("300k");
  Start();
  Page(kPageUpgradeAndFeedback);
  ASSERT_TRUE(driver::PostClick(program_->control(升级题库按钮)));
  ASSERT_TRUE(driver::WaitUntil([&] { return Log() == std::vector<std::wstring>{kLogStart}; }, 10000));
  Sleep(1000);
  server.Kill();
  const std::wstring failed = std::wstring(L"题库下载失败") + kKeptSuffix;
  ASSERT_TRUE(driver::WaitUntil([&] { return Log().size() == 2; }, 15000));
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, failed}));
  EXPECT_EQ(Text(状态栏), failed);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
  ComposeAll();
  EXPECT_EQ(kOldSeeds.count(OnShow()), 1u);

  server.Start();
  Press(升级题库按钮);
  EXPECT_EQ(Log().back(), kLogDone);
  ComposeAll();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
}

TEST_F(UpdateTest, MembersThatEscapeOrReplaceProgramCodeAreRefusedAndOthersLandUnderTheirNames) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  const std::string utf8Name = "\xE5\x9B\xBE\xE7\x89\x87/\xE8\xAF\xB4\xE6\x98\x8E.txt";  // 图片/说明.txt in UTF-8
  server.Put(L"zentra\\bank.zip", BankZip(kNew, kNewKeywords,
                                          {{"../escaped.txt", "x"},
                                           {"..\\escaped2.txt", "x"},
                                           {"sub/../../escaped3.txt", "x"},
                                           {"/absolute.txt", "x"},
                                           {"C:\\drive.txt", "x"},
                                           {"tessaly.exe", "MZ not the program"},
                                           {"krnln.FNR", "MZ"},
                                           {utf8Name, "utf-8 name", true},
                                           {Gbk(L"资料\\目录.txt"), "gbk name"}}));
  server.PutVersions(L"2", L"1.0.2");
  server.Start();
  Start();
  Press(升级题库按钮);
  const std::wstring outside = L"（已拒绝：路径指向目标文件夹以外）";
  EXPECT_EQ(Log(), (std::vector<std::wstring>{
                       kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", L"../escaped.txt" + outside,
                       L"..\\escaped2.txt" + outside, L"sub/../../escaped3.txt" + outside, L"/absolute.txt" + outside,
                       L"C:\\drive.txt" + outside, L"tessaly.exe（已拒绝：不能替换程序文件）",
                       L"krnln.FNR（已拒绝：不能替换程序文件）", L"图片/说明.txt", L"资料\\目录.txt", kLogDone}));
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_EQ(ReadFileBytes(Path(L"tessaly.exe")), ReadFileBytes(BinDirectory() + L"\\tessaly.exe"));
  // The runtime library beside the program is the one it came with, not the member's "MZ".
  EXPECT_EQ(ReadFileBytes(Path(L"krnln.fnr")), ReadFileBytes(BinDirectory() + L"\\krnln.fnr"));
  EXPECT_EQ(ReadFileBytes(Path(L"图片\\说明.txt")), "utf-8 name");
  EXPECT_EQ(ReadFileBytes(Path(L"资料\\目录.txt")), "gbk name");
  const std::wstring parent = folder_.path().substr(0, folder_.path().rfind(L'\\'));
  for (const std::wstring& escaped :
       {parent + L"\\escaped.txt", parent + L"\\escaped2.txt", parent + L"\\escaped3.txt",
        std::wstring(L"C:\\drive.txt"), std::wstring(L"C:\\absolute.txt"), std::wstring(L"Z:\\absolute.txt")}) {
    EXPECT_FALSE(FileExists(escaped)) << FromGbk(Gbk(escaped));
  }
}

// Archives that come in chunks without a length (as through a proxy) and
// break off half-way, which Wine, unlike Windows, reads as a clean end: the
// sizes the version file names tell, and neither archive is taken.
TEST_F(UpdateTest, ArchivesCutShortWithoutALengthAreNotTaken) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  const std::string bank = BankZip(kNew, kNewKeywords);
  const std::string rar = "Rar!\x1A\x07" + Noise(100000);
  server.Put(L"zentra\\bank.zip", bank);
  server.Put(L"zentra\\zentra.rar", rar);
  server.PutVersions(
      L"2", L"1.0.3",
      L"题库大小=" + std::to_wstring(bank.size()) + L"\r\n主程序大小=" + std::to_wstring(rar.size()) + L"\r\n");
  server.StartCutting();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  Press(升级题库按钮);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, L"下载的题库不完整（传输中断）" + std::wstring(kKeptSuffix)}));
  EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), BankBytes(kOld));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
  Press(升级主程序按钮);
  EXPECT_EQ(Text(状态栏), L"下载的主程序不完整（传输中断），没有保存");
  EXPECT_FALSE(FileExists(Path(L"zentra.rar")));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
}

TEST_F(UpdateTest, ASecondUpgradeWhileOneDownloadsIsRefusedAndTheWindowKeepsWorking) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  server.Put(L"zentra\\bank.zip", BankZip(kNew, kNewKeywords, {{"noise.bin", Noise(3 << 20), false, true}}));
  server.PutVersions(L"2", L"1.0.2");
  server.Start("1m");
  Start();
  Page(kPageUpgradeAndFeedback);
  ASSERT_TRUE(driver::PostClick(program_->control(升级题库按钮)));
  ASSERT_TRUE(driver::WaitUntil([&] { return Log() == std::vector<std::wstring>{kLogStart}; }, 10000));
  ASSERT_TRUE(driver::Click(program_->control(升级题库按钮)));
  EXPECT_EQ(Text(状态栏), L"题库正在更新中，请等待本次更新完成");
  EXPECT_EQ(Log(), std::vector<std::wstring>{kLogStart}) << "the running upgrade's log is left alone";
  // The old bank serves meanwhile.
  ComposeAll();
  EXPECT_EQ(Text(状态栏), L"试卷一共有3题，现在练习第1题");
  EXPECT_EQ(Log().size(), 1u) << "still downloading";
  ASSERT_TRUE(driver::WaitUntil([&] { return !Log().empty() && Log().back() == kLogDone; }, 20000));
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", L"noise.bin",
                                              kLogDone}));
  int downloads = 0;
  for (const std::string& r : server.Requests()) downloads += r == "GET /zentra/bank.zip";
  EXPECT_EQ(downloads, 1);
}

// The program ended during an earlier install: the next start completes it
// when the new files had been checked (the mark is there), and throws them
// away when not.
TEST_F(UpdateTest, InstallCutShortIsCompletedOrThrownAwayAtTheNextStart) {
  OldProgramFolder();
  const std::wstring staging = Path(L"bank-update");
  std::filesystem::create_directories(std::filesystem::path(staging + L"\\new"));
  std::filesystem::create_directories(std::filesystem::path(staging + L"\\old"));
  WriteBank(staging + L"\\new\\填空题题库.db", kNew);
  folder_.WriteFile(L"bank-update\\new\\关键词.txt", Gbk(kNewKeywords));
  // The old keyword file had already been set aside when the program ended.
  MoveFileW(Path(L"关键词.txt").c_str(), (staging + L"\\old\\关键词.txt").c_str());
  folder_.WriteFile(L"bank-update\\ready", "");
  Start();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
  EXPECT_EQ(Candidates(), (std::vector<std::wstring>{L"数列", L"概率"}));
  EXPECT_FALSE(FileExists(staging));
  EXPECT_TRUE(driver::MessageBoxes(program_->process().id).empty()) << "nothing was missing";
  program_->Close();

  std::filesystem::create_directories(std::filesystem::path(staging + L"\\new"));
  WriteBank(staging + L"\\new\\填空题题库.db", kOld);
  Start();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u) << "unchecked files are not installed";
  EXPECT_FALSE(FileExists(staging));
}

}  // namespace
}  // namespace e2e
