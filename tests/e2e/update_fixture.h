// What the update tests share: update servers started on request (nginx by
// server/serve.sh, through the keeper of scripts/test-servers.sh), the files
// they serve, bank archives built here, and the upgrade page's texts.
#pragma once

#include <windows.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "program/control_ids.h"

#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

namespace e2e {

// The two built-in servers of a test build (loopback addresses).
inline constexpr char kPublicAddress[] = "127.0.0.1";
inline constexpr char kLanAddress[] = "127.0.0.2";

// An update server: a folder of its own, served on `address`:8001 while started.
class UpdateServer {
 public:
  UpdateServer(const std::string& name, const char* address);
  // Starts serving (stopping whatever served on the address); `rate` limits
  // each download (nginx units, "0" for none). The flag file is made by the
  // server kit itself; `flag` replaces what it holds.
  void Start(const char* rate = "0", const char* flag = nullptr);
  // Serves the folder so that zentra/bank.zip and zentra/zentra.rar come in
  // chunks without a length and break off half-way (servers/cutting_server.py).
  void StartCutting();
  void Stop();
  // Kills the server at once, as a crash or a pulled plug would.
  void Kill();
  // The requests it has served so far ("GET /zentra/math.ini", ...), in order.
  std::vector<std::string> Requests() const;

  // Files of the served folder, by relative path ("zentra/bank.zip").
  void Put(const std::wstring& relative, const std::string& bytes) const;
  void Remove(const std::wstring& relative) const;
  // The served folder, as Windows sees it (banktool publish --server).
  const std::wstring& folder() const { return folder_; }
  // The version file, written as GBK with CR LF line ends.
  void PutVersions(const std::wstring& bankVersion, const std::wstring& programVersion,
                   const std::wstring& extraLines = L"") const;

 private:
  std::string name_;
  std::string address_;
  std::wstring folder_;  // the served folder, seen from Windows
};

// A school's forward proxy (tinyproxy, started by the keeper) on
// `address`:8888.
class ForwardProxy {
 public:
  explicit ForwardProxy(const char* address) : address_(address) {}
  void Start();
  void Stop();
  // "HOST:PORT", as the program's update-proxy setting names it.
  std::wstring Setting() const { return std::wstring(address_.begin(), address_.end()) + L":8888"; }
  // The requests it has passed on ("GET http://127.0.0.1:8001/zentra/math.ini"), in order.
  std::vector<std::string> Requests() const;

 private:
  std::string address_;
};

// Stops every update server (and proxy).
void StopAllUpdateServers();

// A member of a zip archive: the raw bytes of its name and its content.
struct ZipMember {
  std::string name;
  std::string content;
  bool utf8Name = false;  // general-purpose flag bit 11
  bool stored = false;    // not compressed: its bytes stand in the archive as they are
};
std::string ZipBytes(const std::vector<ZipMember>& members);

// A bank file (the SQLite bytes) holding these questions.
std::string BankBytes(const std::vector<TestQuestion>& questions);
// The archive the bank tool makes: 填空题题库.db and 关键词.txt, GBK names.
std::string BankZip(const std::vector<TestQuestion>& questions, const std::wstring& keywords,
                    const std::vector<ZipMember>& more = {});

// The fixed lines of the bank upgrade's log.
inline constexpr wchar_t kLogStart[] = L"开始下载题库……，您可以继续使用本系统，更新完成将通知您";
inline constexpr wchar_t kLogDownloaded[] = L"下载完成，准备开始更新，请注意暂停解题，更新完成后可以继续答题";
inline constexpr wchar_t kLogDone[] = L"更新完成，您可以放心继续答题。";
inline constexpr wchar_t kBankUpgraded[] = L"升级题库完成，您可以继续使用";
inline constexpr wchar_t kKeptSuffix[] = L"，本次题库升级没有进行，原有题库保持不变";
inline constexpr wchar_t kRepairNotice[] =
    L"系统发现题库不存在，正在进行自我修复。可能的原因有：\r\n1、第一次使用本系统\r\n2、题库遭到不可预知的毁坏\r\n"
    L"系统题库修复完成后将自行启动，请耐心等候……";
inline constexpr wchar_t kRepairImpossible[] = L"连接服务器失败，无法进行自我修复，程序被结束。请稍后再试……";

// A label's text split at its CR LF line ends (the last, empty piece dropped).
std::vector<std::wstring> Lines(const std::wstring& text);

// The message box of the process showing exactly this text, once it is there.
HWND WaitForMessageBoxText(DWORD processId, const std::wstring& text, DWORD timeoutMs = 20000);

// Whole files of a folder, by name.
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

// The student's bank (pictures 1-3) and the server's newer one (6-9).
inline const std::vector<TestQuestion> kOld = {
    {L"集合：交集", 3, 1, 1}, {L"集合：并集", 1, 1, 2}, {L"函数：单调性", 0, 2, 3}};
inline const std::vector<TestQuestion> kNew = {{L"数列：等差数列", 1, 1, 6},
                                               {L"数列：等比数列", 2, 1, 7},
                                               {L"概率：古典概型", 0, 0, 8},
                                               {L"概率：几何概型", 5, 5, 9}};
inline const std::wstring kOldKeywords = L"集合\r\n函数\r\n";
inline const std::wstring kNewKeywords = L"数列\r\n概率\r\n";
inline const std::set<int> kOldSeeds = {1, 2, 3};
inline const std::set<int> kNewSeeds = {6, 7, 8, 9};

// Bytes that look like nothing in particular.
inline std::string Noise(size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

inline std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A program folder as a student has it and update servers around it; the
// program started and worked through its window.
class UpdateFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterUrlRecorder();
    SetMathTypeCommand(nullptr);
    StopAllUpdateServers();
  }
  void TearDown() override {
    program_.reset();
    StopAllUpdateServers();
  }

  std::wstring Path(const std::wstring& name) const { return dir_ + L"\\" + name; }
  // The folder as a student has it: the old bank, its keywords and versions.
  void OldProgramFolder() {
    WriteBank(Path(L"填空题题库.db"), kOld);
    WriteFileBytes(Path(L"关键词.txt"), Gbk(kOldKeywords));
    WriteFileBytes(Path(L"math.ini"), kOldVersions);
  }
  // Starts the program of the folder, in the folder itself unless another
  // working directory is given.
  void Start(bool waitForUpdateCheck = true, const std::wstring& workingDirectory = {}) {
    driver::Process process;
    ASSERT_TRUE(driver::Start(Path(L"tessaly.exe"), workingDirectory.empty() ? dir_ : workingDirectory, process));
    program_ = std::make_unique<RunningProgram>(process, waitForUpdateCheck);
    ASSERT_TRUE(program_->started());
  }
  // Starts the program of a folder that lacks its bank or keyword file and
  // answers the self-repair notice and, when `failure` is given, the message
  // box that says the repair did not complete; the main window then appears.
  void StartThroughSelfRepair(const std::wstring& failure = {});
  std::wstring Text(uint32_t id) const { return program_->text(id); }
  std::vector<std::wstring> Log() const { return Lines(Text(program::升级过程)); }
  void Page(int page) const { driver::SwitchPage(program_->control(program::选择夹1), page); }
  // Whether a button of the upgrade page shows (the page is chosen first).
  bool Shown(uint32_t button) const {
    Page(program::kPageUpgradeAndFeedback);
    return driver::Visible(program_->control(button));
  }
  // Presses an upgrade button and returns once its handler has ended.
  void Press(uint32_t button) const {
    Page(program::kPageUpgradeAndFeedback);
    ASSERT_TRUE(driver::Click(program_->control(button)));
  }
  // The picture seed of the question on show (0 for none).
  int OnShow() const {
    const driver::PictureInfo info = driver::Picture(program_->control(program::题目画板));
    for (int seed = 1; seed <= 9; ++seed) {
      if (info.length == QuestionPicture(seed).size() && info.crc == Crc32(QuestionPicture(seed))) return seed;
    }
    return 0;
  }
  void ComposeAll() const {
    Page(program::kPageCompose);
    ASSERT_TRUE(driver::Click(program_->control(program::全选)));
    ASSERT_TRUE(driver::Click(program_->control(program::组题)));
    Page(program::kPageAnswer);
  }
  std::vector<std::wstring> Candidates() const {
    return driver::ListItems(program_->control(program::备选关键词列表框));
  }

  const std::string kOldVersions = Gbk(L"[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.2\r\n");
  ProgramFolder folder_;
  std::wstring dir_ = folder_.path();  // the program's folder
  std::unique_ptr<RunningProgram> program_;
};

}  // namespace e2e
