// A program given a school's settings by the configuration tool
// (tessalyconfig.exe, run here under Wine as a teacher runs it): it asks the
// update servers and opens the guestbook it was given, while a copy without
// them keeps the build's.
#include "program/control_ids.h"
#include "program/program_settings.h"
#include "tests/e2e/update_fixture.h"

using namespace program;

namespace e2e {
namespace {

class ConfiguredProgramTest : public UpdateFixture {};

std::wstring Found(const char* address) { return L"与服务器" + Wide(address) + L"通讯成功，正在下载升级信息"; }

TEST_F(ConfiguredProgramTest, AConfiguredCopyAsksItsOwnServersAndOpensItsOwnGuestbook) {
  OldProgramFolder();
  UpdateServer publicServer("public", kPublicAddress), lan("lan", kLanAddress);
  publicServer.PutVersions(L"1", L"1.0.2");
  lan.PutVersions(L"1", L"1.0.2");
  // Slow enough to see the status texts go by.
  publicServer.Start("100");
  lan.Start("100");

  // As built: the public server of the build is asked.
  const std::map<std::string, std::string> built = SettingsOf(folder_.exe());
  ASSERT_EQ(built.at("public-update-host"), kPublicAddress) << "the tests' build asks loopback servers";
  Start(false);
  EXPECT_TRUE(driver::WaitUntil([&] { return Text(状态栏) == Found(kPublicAddress); }, 10000));
  ASSERT_TRUE(program_->WaitForUpdateCheck(20000));
  EXPECT_EQ(program_->Close(), 0u);
  const size_t publicAsked = publicServer.Requests().size();
  EXPECT_EQ(publicAsked, 2u);
  EXPECT_TRUE(lan.Requests().empty());

  // A copy under a Chinese name: the LAN address as its public server, no LAN
  // server, a guestbook of its own. The program itself stays as it was.
  const std::wstring copy = Path(L"学校版.exe");
  const std::string program = ReadFileBytes(folder_.exe());
  ASSERT_EQ(RunTool(L"tessalyconfig.exe", {L"set", folder_.exe(), L"--out", copy, L"--public-update-host",
                                           Wide(kLanAddress), L"--lan-update-host", L"", L"--feedback-host",
                                           L"guestbook.school.example", L"--feedback-userid", L"4711"}),
            0u);
  EXPECT_EQ(ReadFileBytes(folder_.exe()), program);
  std::map<std::string, std::string> expected = built;
  expected["public-update-host"] = kLanAddress;
  expected["lan-update-host"] = "";
  expected["feedback-host"] = "guestbook.school.example";
  expected["feedback-userid"] = "4711";
  EXPECT_EQ(SettingsOf(copy), expected);
  // A value the tool refuses leaves no file behind.
  EXPECT_NE(RunTool(L"tessalyconfig.exe", {L"set", folder_.exe(), L"--out", Path(L"refused.exe"),
                                           L"--public-update-host", L"http://updates.school.example/"}),
            0u);
  EXPECT_FALSE(FileExists(Path(L"refused.exe")));

  ASSERT_TRUE(MoveFileExW(copy.c_str(), folder_.exe().c_str(), MOVEFILE_REPLACE_EXISTING));
  ClearRecordedUrls();
  Start(false);
  EXPECT_TRUE(driver::WaitUntil([&] { return Text(状态栏) == Found(kLanAddress); }, 10000));
  ASSERT_TRUE(program_->WaitForUpdateCheck(20000));
  EXPECT_EQ(lan.Requests().size(), 2u);
  EXPECT_EQ(publicServer.Requests().size(), publicAsked) << "the build's public server is not asked";
  Page(kPageUpgradeAndFeedback);
  ASSERT_TRUE(driver::WaitUntil([] { return RecordedUrls().size() == 1; }, 10000));
  EXPECT_EQ(RecordedUrls()[0], L"http://guestbook.school.example/script/user/list.asp?userid=4711");
  EXPECT_EQ(program_->Close(), 0u);

  // Its only server gone, it asks no other: not the build's LAN server, which it has none of.
  lan.Stop();
  Start();
  EXPECT_EQ(Text(状态栏), kNoServerStatus);
  EXPECT_EQ(publicServer.Requests().size(), publicAsked);
}

}  // namespace
}  // namespace e2e
