// The program on a Windows PC as students have it, which is stricter than
// Wine: a 32-bit equation editor registered only in the 32-bit registry view,
// a root of C: that a standard account cannot write to, a start from another
// folder, files marked read-only, a program folder at the root of a drive.
// Each condition is made here as DESIGN.md's notes on Wine describe.
#include "program/control_ids.h"
#include "program/pictures.h"
#include "tests/e2e/update_fixture.h"

using namespace program;

namespace e2e {
namespace {

constexpr wchar_t kMathTypeClass[] = L"CLSID\\{0002CE03-0000-0000-C000-000000000046}\\";
constexpr wchar_t kAnswering[] = L"您正在答题，请在MathType中答题结束后保存退出";
constexpr uint32_t kStandinAnswerLength = 65;  // the stand-in editor's saved picture
constexpr uint32_t kAnswerPlaceholderLength = 23382;

// The registry view of a 64-bit program, or the 32-bit one of a 32-bit editor.
enum class View { Own, ThirtyTwoBit };

REGSAM Access(View view) { return view == View::ThirtyTwoBit ? KEY_WOW64_32KEY : 0; }

void RegisterEditor(const std::wstring& server, View view, const std::wstring& command) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (kMathTypeClass + server).c_str(), 0, nullptr, 0,
                            KEY_WRITE | Access(view), nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

bool EditorRegistered(const std::wstring& server, View view) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, (kMathTypeClass + server).c_str(), 0, KEY_READ | Access(view), &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

void UnregisterEditor() {
  for (const wchar_t* server : {L"LocalServer", L"LocalServer32"}) {
    for (View view : {View::Own, View::ThirtyTwoBit}) {
      RegDeleteKeyExW(HKEY_CLASSES_ROOT, (kMathTypeClass + std::wstring(server)).c_str(), Access(view), 0);
    }
  }
}

class StrictWindowsTest : public UpdateFixture {
 protected:
  void SetUp() override {
    UpdateFixture::SetUp();
    UnregisterEditor();
    editorDir_ = WorkDirectory() + L"\\editor";
    CreateDirectoryW(editorDir_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((BinDirectory() + L"\\equation_editor_standin.exe").c_str(), editor().c_str(), FALSE));
    DeleteFileW((editorDir_ + L"\\standin-mode.txt").c_str());  // saves an answer
  }
  void TearDown() override {
    UpdateFixture::TearDown();
    UnregisterEditor();
    RemoveDirectoryW(L"C:\\ans.gif");  // where a test stood it in the way
  }
  std::wstring editor() const { return editorDir_ + L"\\equation_editor_standin.exe"; }
  std::string RecordedCommandLine() const { return ReadFileBytes(editorDir_ + L"\\standin-commandline.txt"); }
  driver::PictureInfo AnswerBoard() const { return driver::Picture(program_->control(答题画板)); }
  // A server with the newer bank (题库版本 2) and a newer program.
  void ServerWithTheNewBank(UpdateServer& server) const {
    server.Put(L"zentra\\bank.zip", BankZip(kNew, kNewKeywords));
    server.Put(L"zentra\\zentra.rar", "Rar!\x1A\x07" + Noise(1000));
    server.PutVersions(L"2", L"1.0.3");
    server.Start();
  }
  std::string Versions(const wchar_t* bank) const {
    return Gbk(std::wstring(L"[版本信息]\r\n题库版本=") + bank + L"\r\n主程序版本=1.0.2\r\n");
  }

  std::wstring editorDir_;
};

TEST_F(StrictWindowsTest, TheEditorIsFoundInEitherRegistryViewUnderEitherServerKey) {
  OldProgramFolder();
  struct Registration {
    const wchar_t* server;
    View view;
  };
  for (const Registration r :
       {Registration{L"LocalServer", View::ThirtyTwoBit}, Registration{L"LocalServer32", View::ThirtyTwoBit},
        Registration{L"LocalServer32", View::Own}, Registration{L"LocalServer", View::Own}}) {
    SCOPED_TRACE(std::wstring(r.server) + (r.view == View::Own ? L" in the 64-bit view" : L" in the 32-bit view"));
    UnregisterEditor();
    RegisterEditor(r.server, r.view, editor());
    const View other = r.view == View::Own ? View::ThirtyTwoBit : View::Own;
    ASSERT_FALSE(EditorRegistered(r.server, other)) << "the registration is in one view only";
    Start();
    ASSERT_TRUE(driver::Click(program_->control(答题)));
    EXPECT_EQ(Text(状态栏), kAnswering);
    EXPECT_TRUE(driver::WaitUntil([&] { return AnswerBoard().length == kStandinAnswerLength; }, 3000));
    EXPECT_EQ(program_->Close(), 0u);
  }
}

// A standard account cannot create C:\ans.gif (here a folder of that name
// stands in the way): the answer goes through a file of the student's own,
// whose path holds blanks and so is quoted on the editor's command line.
TEST_F(StrictWindowsTest, AnsweringWorksWhenTheRootOfCCannotBeWritten) {
  OldProgramFolder();
  RegisterEditor(L"LocalServer", View::Own, editor());
  DeleteFileW(L"C:\\ans.gif");
  ASSERT_TRUE(CreateDirectoryW(L"C:\\ans.gif", nullptr));
  const std::wstring local = WorkDirectory() + L"\\Local App Data";
  RemoveTree(local);
  CreateDirectoryW(local.c_str(), nullptr);
  wchar_t saved[MAX_PATH] = {};
  const bool hadLocal = GetEnvironmentVariableW(L"LOCALAPPDATA", saved, MAX_PATH) > 0;
  SetEnvironmentVariableW(L"LOCALAPPDATA", local.c_str());  // the program inherits it
  Start();
  SetEnvironmentVariableW(L"LOCALAPPDATA", hadLocal ? saved : nullptr);
  const std::wstring own = local + L"\\Tessaly\\ans.gif";
  EXPECT_EQ(ReadFileBytes(own), std::string(AnswerTemplate())) << "the blank answer is in the student's own file";
  ASSERT_TRUE(driver::Click(program_->control(答题)));
  EXPECT_EQ(Text(状态栏), kAnswering);
  const std::string recorded = RecordedCommandLine();
  const std::string quoted = " \"" + std::string(own.begin(), own.end()) + "\"";  // an ASCII path
  ASSERT_GE(recorded.size(), quoted.size());
  EXPECT_EQ(recorded.substr(recorded.size() - quoted.size()), quoted);
  EXPECT_TRUE(driver::WaitUntil([&] { return AnswerBoard().length == kStandinAnswerLength; }, 3000))
      << "the saved answer shows";
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  EXPECT_EQ(AnswerBoard().length, kAnswerPlaceholderLength);
  EXPECT_EQ(ReadFileBytes(own), std::string(AnswerTemplate())) << "the next question resets the same file";
  EXPECT_EQ(program_->Close(), 0u);
}

// Started from C:\ (a shortcut's "Start in", a command prompt): the program
// finds its keyword file and bank, and writes what it downloads into its own
// folder, not into C:\.
TEST_F(StrictWindowsTest, TheProgramsFilesAreItsFoldersWhateverFolderItIsStartedFrom) {
  OldProgramFolder();
  for (const wchar_t* name : {L"math.tmp", L"bank.zip", L"zentra.rar", L"math.ini", L"关键词.txt"}) {
    DeleteFileW((std::wstring(L"C:\\") + name).c_str());
  }
  UpdateServer server("public", kPublicAddress);
  ServerWithTheNewBank(server);
  Start(true, L"C:\\");
  EXPECT_TRUE(driver::MessageBoxes(program_->process().id).empty()) << "no self-repair";
  EXPECT_EQ(Candidates(), (std::vector<std::wstring>{L"集合", L"函数"}));
  EXPECT_EQ(Text(状态栏), kUpdateInfoStatus);
  EXPECT_TRUE(FileExists(Path(L"math.tmp")));
  ASSERT_TRUE(Shown(升级题库按钮));
  ASSERT_TRUE(Shown(升级主程序按钮));
  Press(升级题库按钮);
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  Press(升级主程序按钮);
  EXPECT_TRUE(FileExists(Path(L"zentra.rar")));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.3\r\n"));
  for (const wchar_t* name : {L"math.tmp", L"bank.zip", L"zentra.rar"}) {
    EXPECT_FALSE(FileExists(std::wstring(L"C:\\") + name)) << "nothing is written into the working folder";
  }
  EXPECT_EQ(program_->Close(), 0u);
}

// A program folder a standard account cannot write to (one under C:\Program
// Files; here a folder named math.tmp stands in the way of the version file):
// no upgrade is offered on the strength of a version file that was never
// written, and the student is told where the folder belongs.
TEST_F(StrictWindowsTest, AProgramFolderThatCannotBeWrittenOffersNoUpgrades) {
  OldProgramFolder();
  ASSERT_TRUE(CreateDirectoryW(Path(L"math.tmp").c_str(), nullptr));
  UpdateServer server("public", kPublicAddress);
  ServerWithTheNewBank(server);
  Start(false);
  EXPECT_TRUE(driver::WaitUntil(
      [&] {
        return Text(状态栏) == L"程序文件夹不能写入，无法检查升级。请把整个程序文件夹放到桌面或D盘等可以写入的地方";
      },
      10000));
  EXPECT_FALSE(Shown(升级题库按钮));
  EXPECT_FALSE(Shown(升级主程序按钮));
  EXPECT_EQ(program_->Close(), 0u);
}

// A bank copied from a CD, or protected by a teacher, is marked read-only:
// upgrades go on working, one after the other.
TEST_F(StrictWindowsTest, ReadOnlyFilesNeverBlockAnUpgrade) {
  OldProgramFolder();
  for (const wchar_t* name : {L"填空题题库.db", L"关键词.txt", L"math.ini"}) {
    ASSERT_TRUE(SetFileAttributesW(Path(name).c_str(), FILE_ATTRIBUTE_READONLY));  // attrib +r
  }
  UpdateServer server("public", kPublicAddress);
  ServerWithTheNewBank(server);
  Start();
  Press(升级题库按钮);
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), BankBytes(kNew));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Versions(L"2"));
  EXPECT_FALSE(FileExists(Path(L"bank-update"))) << "nothing is left behind to block the next upgrade";

  EXPECT_EQ(program_->Close(), 0u);

  // The next upgrade (the old bank again, as version 3) goes through as well.
  server.Put(L"zentra\\bank.zip", BankZip(kOld, kOldKeywords));
  server.PutVersions(L"3", L"1.0.2");
  ASSERT_TRUE(SetFileAttributesW(Path(L"填空题题库.db").c_str(), FILE_ATTRIBUTE_READONLY));
  Start();
  Press(升级题库按钮);
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), BankBytes(kOld));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Versions(L"3"));
  EXPECT_FALSE(FileExists(Path(L"bank-update")));
  EXPECT_EQ(program_->Close(), 0u);
}

// A program folder at the root of a drive (a USB stick; here a drive letter
// that scripts/setup.sh maps to a folder of the Wine prefix).
TEST_F(StrictWindowsTest, AProgramAtTheRootOfADriveUpgradesItsBankInPlace) {
  dir_ = L"U:";
  ASSERT_NE(GetFileAttributesW(L"U:\\"), INVALID_FILE_ATTRIBUTES)
      << "drive U: is not mapped (scripts/setup.sh maps it in the Wine prefix's dosdevices)";
  EmptyFolder(L"U:");
  ASSERT_TRUE(CopyFileW((BinDirectory() + L"\\tessaly.exe").c_str(), L"U:\\tessaly.exe", FALSE));
  ASSERT_TRUE(CopyFileW((BinDirectory() + L"\\krnln.fnr").c_str(), L"U:\\krnln.fnr", FALSE));
  OldProgramFolder();
  UpdateServer server("public", kPublicAddress);
  ServerWithTheNewBank(server);
  Start(true, L"U:\\");
  Press(升级题库按钮);
  EXPECT_EQ(Text(状态栏), kBankUpgraded);
  EXPECT_EQ(ReadFileBytes(L"U:\\填空题题库.db"), BankBytes(kNew));
  EXPECT_EQ(ReadFileBytes(L"U:\\关键词.txt"), Gbk(kNewKeywords));
  EXPECT_EQ(ReadFileBytes(L"U:\\math.ini"), Versions(L"2"));
  EXPECT_FALSE(FileExists(L"U:\\bank-update"));
  ComposeAll();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
  EXPECT_EQ(program_->Close(), 0u);
}

}  // namespace
}  // namespace e2e
