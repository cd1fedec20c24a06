// A program built with an update public key (tessaly-test-key.exe) against a
// server that banktool publish --key filled, with the signed version file
// zentra/math-signed.ini: a release as signed is installed and its file
// kept; an offer replayed, edited, lowered or stripped of its file, and an
// archive that is not the signed one of its kind, change nothing. A program
// of the previous release, which reads only the archives' signature lines,
// still installs what the new tool publishes.
#include <map>
#include <string>
#include <vector>

#include "program/control_ids.h"
#include "tests/e2e/update_fixture.h"
#include "tools/teacher_kit/banktool/publish.h"

using namespace program;

namespace e2e {
namespace {

constexpr wchar_t kInitialServerText[] = L"很遗憾，与服务器联系失败，您不能获得升级和反馈支持。";
constexpr wchar_t kNotSignedLog[] =
    L"升级信息没有有效的签名（服务器的zentra/math-signed.ini缺失或签名不符），本次不提供升级";
constexpr wchar_t kAlteredLog[] = L"升级信息math.ini与其签名不符（可能被篡改），本次不提供升级";

// The server's files, by name in zentra.
using Served = std::map<std::wstring, std::string>;
const std::vector<std::wstring> kServedFiles = {L"math.ini", L"math-signed.ini", L"bank.zip", L"zentra.rar"};

class SignedVersionFileTest : public UpdateFixture {
 protected:
  void SetUp() override {
    UpdateFixture::SetUp();
    ASSERT_TRUE(CopyFileW((BinDirectory() + L"\\tessaly-test-key.exe").c_str(), folder_.exe().c_str(), FALSE));
    OldProgramFolder();
  }
  // An archive file to publish from.
  std::wstring Scratch(const std::wstring& name, const std::string& bytes) const {
    const std::wstring path = WorkDirectory() + L"\\" + name;
    WriteFileBytes(path, bytes);
    return path;
  }
  // banktool publish --key (the test key) into the server's folder, as the school does.
  void Publish(banktool::PublishOptions options, const char* release) const {
    options.server = banktool::fs::path(server_.folder());
    options.key = banktool::PathFromUtf8(TESSALY_TEST_SIGNING_KEY);
    options.release = release;
    std::string error;
    ASSERT_TRUE(banktool::Publish(options, error)) << error;
  }
  static banktool::PublishOptions Bank(const std::wstring& archive, const char* version) {
    banktool::PublishOptions options;
    options.bank = banktool::fs::path(archive);
    options.bankVersion = version;
    options.programVersion = "1.0.2";
    return options;
  }
  std::wstring ServedPath(const std::wstring& name) const { return server_.folder() + L"\\zentra\\" + name; }
  Served Take() const {
    Served files;
    for (const std::wstring& name : kServedFiles) {
      if (FileExists(ServedPath(name))) files[name] = ReadFileBytes(ServedPath(name));
    }
    return files;
  }
  void Serve(const Served& files) const {
    for (const std::wstring& name : kServedFiles) server_.Remove(L"zentra\\" + name);
    for (const auto& [name, bytes] : files) server_.Put(L"zentra\\" + name, bytes);
  }

  UpdateServer server_{"public", kPublicAddress};
};

TEST_F(SignedVersionFileTest, AReleaseAsSignedIsInstalledAndItsFileKept) {
  const std::string rar = "Rar!\x1A\x07" + Noise(5000);
  banktool::PublishOptions both = Bank(Scratch(L"bank.zip", BankZip(kNew, kNewKeywords)), "2");
  both.program = banktool::fs::path(Scratch(L"program.rar", rar));
  both.programVersion = "1.0.3";
  Publish(both, "100");
  server_.Start();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  ASSERT_TRUE(Shown(升级主程序按钮));
  EXPECT_EQ(Text(服务器文本), FromGbk(ReadFileBytes(ServedPath(L"math.ini"))));
  EXPECT_EQ(ReadFileBytes(Path(L"版本签名.ini")), ReadFileBytes(ServedPath(L"math-signed.ini")))
      << "the accepted file is kept, with its release number";
  Press(升级题库按钮);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", kLogDone}));
  ComposeAll();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
  Press(升级主程序按钮);
  EXPECT_EQ(Log().back(), L"下载完成，请退出程序后解压缩，覆盖原程序即可");
  EXPECT_EQ(ReadFileBytes(Path(L"zentra.rar")), rar);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.3\r\n"));
}

// After the program has accepted release 200, what an attacker on the network
// can serve instead: each offers nothing and changes nothing.
TEST_F(SignedVersionFileTest, ReplayedEditedLoweredOrStrippedOffersChangeNothing) {
  Publish(Bank(Scratch(L"a.zip", BankZip(kNew, kNewKeywords)), "2"), "100");
  const Served older = Take();
  Publish(Bank(Scratch(L"b.zip", BankZip({kNew[0], kNew[1]}, kNewKeywords)), "3"), "200");
  const Served current = Take();
  server_.Start();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  program_->Close();
  const std::string kept = ReadFileBytes(Path(L"版本签名.ini"));
  ASSERT_EQ(kept, current.at(L"math-signed.ini"));
  const std::string mathTmp = ReadFileBytes(Path(L"math.tmp")), oldBank = ReadFileBytes(Path(L"填空题题库.db"));

  const auto edited = [](Served files, const std::wstring& from, const std::wstring& to) {
    std::string& ini = files.at(L"math.ini");
    ini.replace(ini.find(Gbk(from)), Gbk(from).size(), Gbk(to));
    return files;
  };
  Served stripped = older;
  stripped.erase(L"math-signed.ini");
  Served noticed = current;
  noticed.at(L"math.ini") += Gbk(L"[通知]\r\n请到机房领取新题库\r\n");
  struct Case {
    const char* what;
    Served served;
    std::wstring log;
  };
  const std::vector<Case> cases = {
      {"the older bank under a new version", edited(older, L"题库版本=2", L"题库版本=4"), kAlteredLog},
      {"an edited notice", noticed, kAlteredLog},
      {"the whole older release", older,
       L"升级信息的发布序号100低于本程序已接受的发布序号200（可能是旧的升级信息），本次不提供升级"},
      {"the older release without its signed file", stripped, kNotSignedLog},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Serve(c.served);
    Start();
    EXPECT_EQ(Log(), std::vector<std::wstring>{c.log});
    EXPECT_FALSE(Shown(升级题库按钮));
    EXPECT_FALSE(Shown(升级主程序按钮));
    EXPECT_EQ(Text(服务器文本), kInitialServerText);
    EXPECT_EQ(ReadFileBytes(Path(L"math.tmp")), mathTmp);
    EXPECT_EQ(ReadFileBytes(Path(L"版本签名.ini")), kept);
    EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
    EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), oldBank);
    program_->Close();
  }
}

// The signed file names each archive by kind, size and digest: the bank
// served as the program (a program version published without an archive)
// and a bank altered by one byte are refused, and nothing is saved.
TEST_F(SignedVersionFileTest, AnArchiveIsTakenOnlyAsTheSignedOneOfItsKind) {
  banktool::PublishOptions bank = Bank(Scratch(L"bank.zip", BankZip(kNew, kNewKeywords)), "2");
  bank.programVersion = "1.0.3";
  Publish(bank, "100");
  const std::string archive = ReadFileBytes(ServedPath(L"bank.zip"));
  std::string altered = archive;
  altered[altered.size() / 2] ^= 0x01;
  server_.Put(L"zentra\\zentra.rar", archive);
  server_.Put(L"zentra\\bank.zip", altered);
  server_.Start();
  Start();
  ASSERT_TRUE(Shown(升级主程序按钮));
  Press(升级主程序按钮);
  EXPECT_EQ(Log().back(), L"下载的主程序签名不符，本次主程序升级没有进行，原有主程序保持不变");
  EXPECT_FALSE(FileExists(Path(L"zentra.rar")));
  const std::string oldBank = ReadFileBytes(Path(L"填空题题库.db"));
  Press(升级题库按钮);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, std::wstring(L"题库签名不符") + kKeptSuffix}));
  EXPECT_FALSE(FileExists(Path(L"bank.zip")));
  EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), oldBank);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
}

// A program of the previous release asks for math.ini alone and checks the
// archive by its line 题库签名, which the new tool keeps writing: here the
// program has never accepted a signed file, and the server has none to give.
TEST_F(SignedVersionFileTest, AProgramOfThePreviousReleaseInstallsWhatTheNewToolPublishes) {
  Publish(Bank(Scratch(L"bank.zip", BankZip(kNew, kNewKeywords)), "2"), "100");
  server_.Remove(L"zentra\\math-signed.ini");
  server_.Start();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  Press(升级题库按钮);
  EXPECT_EQ(Log().back(), kLogDone);
  ComposeAll();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
  EXPECT_FALSE(FileExists(Path(L"版本签名.ini")));
}

}  // namespace
}  // namespace e2e
