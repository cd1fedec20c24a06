// Updates over the links schools have: a slow link, whose downloads show
// their progress on the status line, and a school behind a proxy, whose
// public server is reached through it, and directly when it is not there.
#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include "program/control_ids.h"
#include "tests/e2e/update_fixture.h"

using namespace program;

namespace e2e {
namespace {

class UpdateLinksTest : public UpdateFixture {
 protected:
  // Samples the status line until `done`: the percentages of each text
  // "<prefix>N%" it showed on the way.
  std::set<int> PercentagesUntil(const std::wstring& prefix, const std::function<bool()>& done) const {
    std::set<int> seen;
    EXPECT_TRUE(driver::WaitUntil(
        [&] {
          const std::wstring status = Text(状态栏);
          if (status.rfind(prefix, 0) == 0 && status.size() > prefix.size() && status.back() == L'%') {
            seen.insert(std::stoi(status.substr(prefix.size())));
          }
          return done();
        },
        60000));
    return seen;
  }
};

std::wstring Size(const std::string& bytes) { return std::to_wstring(bytes.size()); }

TEST_F(UpdateLinksTest, ALongDownloadShowsItsProgressAndThenTheUsualTexts) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  const std::string bank = BankZip(kNew, kNewKeywords, {{"noise.bin", Noise(3 << 20), false, true}});
  const std::string rar = "Rar!\x1A\x07" + Noise(2 << 20);
  server.Put(L"zentra\\bank.zip", bank);
  server.Put(L"zentra\\zentra.rar", rar);
  server.PutVersions(L"2", L"1.0.3", L"题库大小=" + Size(bank) + L"\r\n主程序大小=" + Size(rar) + L"\r\n");
  server.Start("1m");
  Start();
  Page(kPageUpgradeAndFeedback);

  ASSERT_TRUE(driver::PostClick(program_->control(升级题库按钮)));
  const std::set<int> bankSeen =
      PercentagesUntil(L"正在下载题库…… ", [&] { return !Log().empty() && Log().back() == kLogDone; });
  ASSERT_GE(bankSeen.size(), 3u) << "three seconds of download show more than one figure";
  EXPECT_LE(*bankSeen.rbegin(), 100);
  EXPECT_LT(*bankSeen.begin(), 50);
  EXPECT_EQ(Text(状态栏), kBankUpgraded);

  // The program's download leaves the status line as it found it.
  ASSERT_TRUE(driver::PostClick(program_->control(升级主程序按钮)));
  const std::set<int> programSeen = PercentagesUntil(L"正在下载主程序…… ", [&] {
    return Log() ==
           std::vector<std::wstring>{L"开始下载最新主程序，请稍等……", L"下载完成，请退出程序后解压缩，覆盖原程序即可"};
  });
  EXPECT_GE(programSeen.size(), 2u);
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_EQ(ReadFileBytes(Path(L"zentra.rar")), rar);
}

// The PC's own proxy settings (Internet Options), set for the test and put
// back as they were.
class PcProxySettings {
 public:
  explicit PcProxySettings(const std::wstring& server) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    const DWORD enable = 1;
    RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), sizeof enable);
    RegSetValueExW(key_, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                   static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
  }
  ~PcProxySettings() {
    RegDeleteValueW(key_, L"ProxyEnable");
    RegDeleteValueW(key_, L"ProxyServer");
    RegCloseKey(key_);
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  HKEY key_ = nullptr;
};

constexpr char kProxyAddress[] = "127.0.0.5";

TEST_F(UpdateLinksTest, ThePublicServerIsReachedThroughTheSchoolsProxyAndDirectlyWhenItIsNotThere) {
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  server.Put(L"zentra\\bank.zip", BankZip(kNew, kNewKeywords));
  server.PutVersions(L"2", L"1.0.2");
  server.Start();
  ForwardProxy proxy(kProxyAddress);
  proxy.Start();
  ASSERT_EQ(RunTool(L"tessalyconfig.exe", {L"set", folder_.exe(), L"--in-place", L"--update-proxy", proxy.Setting()}),
            0u);
  ASSERT_EQ(SettingsOf(folder_.exe()).at("update-proxy"), std::string(kProxyAddress) + ":8888");

  Start();
  Press(升级题库按钮);
  EXPECT_EQ(Log().back(), kLogDone);
  // Every request went through the proxy: the flag file, math.ini, bank.zip.
  const std::vector<std::string> passed = proxy.Requests();
  ASSERT_EQ(passed.size(), 3u);
  for (const std::string& request : passed) EXPECT_EQ(request.rfind("GET http://127.0.0.1:8001/", 0), 0u) << request;
  EXPECT_EQ(passed.back(), "GET http://127.0.0.1:8001/zentra/bank.zip");
  EXPECT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(program_->Close(), 0u);

  // Away from school the proxy does not answer: the server directly.
  proxy.Stop();
  Start();
  EXPECT_EQ(server.Requests().size(), 5u) << "the flag file and math.ini, directly";
  EXPECT_EQ(program_->Close(), 0u);

  // "system": the PC's own proxy settings.
  ASSERT_EQ(RunTool(L"tessalyconfig.exe", {L"set", folder_.exe(), L"--in-place", L"--update-proxy", L"system"}), 0u);
  proxy.Start();
  {
    const PcProxySettings pc(proxy.Setting());
    Start();
    EXPECT_EQ(proxy.Requests().size(), 2u) << "the flag file and math.ini, through the PC's proxy";
    EXPECT_EQ(program_->Close(), 0u);
  }
  EXPECT_EQ(server.Requests().size(), 7u);
}

}  // namespace
}  // namespace e2e
