// The launcher: where it finds the runtime support library (beside the
// program, else in the install directory the registry names), and how it
// refuses a missing or unusable one: one English message box, exit code -1.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

namespace e2e {
namespace {

constexpr wchar_t kInstallKey[] = L"Software\\Halvex\\Orv\\Install";
constexpr wchar_t kInstallKeyParents[][32] = {L"Software\\Halvex\\Orv", L"Software\\Halvex"};
constexpr wchar_t kErrorText[] = L"Not found the kernel library or the kernel library is invalid!";
constexpr wchar_t kErrorCaption[] = L"Error";
constexpr DWORD kErrorExitCode = 0xFFFFFFFF;  // -1

// Libraries in the test's own folder.
constexpr wchar_t kRuntime[] = L"krnln.fnr";
constexpr wchar_t kWithoutRunner[] = L"standin_runtime_without_runner.dll";
constexpr wchar_t kRefusingRunner[] = L"standin_runtime_refusing_runner.dll";
// What the stand-ins write beside themselves.
constexpr wchar_t kJournal[] = L"standin-runtime.log";

// How many characters of its own path the launcher reads.
constexpr size_t kModuleNameLimit = 127;
// The path buffer the install directory and the library name must fit, with
// the terminating zero.
constexpr size_t kPathBuffer = 260;
constexpr size_t kInstalledNameLength = 9;  // "krnln.fne"

// The same path for file functions, free of the 260-character limit.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

void MakeDirectories(const std::wstring& path) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(Long(path.substr(0, at)).c_str(), nullptr);
  }
  CreateDirectoryW(Long(path).c_str(), nullptr);
  ASSERT_NE(GetFileAttributesW(Long(path).c_str()), INVALID_FILE_ATTRIBUTES) << "could not make the folder";
}

void CopyFromBin(const std::wstring& name, const std::wstring& to) {
  ASSERT_TRUE(CopyFileW(Long(BinDirectory() + L"\\" + name).c_str(), Long(to).c_str(), FALSE))
      << "copying " << name << " to " << to;
}

// A folder path of exactly `length` characters below `base`, in steps of a
// few dozen characters.
std::wstring PathOfLength(const std::wstring& base, size_t length) {
  EXPECT_GT(length, base.size() + 1) << "the work folder is too deep for this path";
  std::wstring path = base;
  while (path.size() + 1 < length) {
    const size_t step = std::min<size_t>(length - path.size() - 1, 40);
    path += L"\\" + std::wstring(step, L'd');
  }
  if (path.size() < length) path += L'd';  // one character short: the last name grows by one
  return path;
}

std::string ReadJournal(const std::wstring& folder) {
  std::ifstream in(std::filesystem::path(folder + L"\\" + kJournal), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Deletes a key of the install key's path when nothing is left in it.
void DeleteIfEmpty(const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD subkeys = 1, values = 1;
  RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(key);
  if (subkeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, path);
}

void RemoveInstallKey() {
  RegDeleteKeyW(HKEY_CURRENT_USER, kInstallKey);
  for (const wchar_t* parent : kInstallKeyParents) DeleteIfEmpty(parent);
}

// The install key with "Path" holding `path`; without "Path" when null.
void SetInstallPath(const std::wstring* path) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kInstallKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  // Something else an installer leaves there, so the key is not empty.
  const std::wstring version = L"5.11";
  RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
  LONG set = ERROR_SUCCESS;
  if (path) {
    set = RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path->c_str()),
                         static_cast<DWORD>((path->size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
  ASSERT_EQ(set, ERROR_SUCCESS);
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveInstallKey();
    WriteBankFiles(folder_.path());
  }
  void TearDown() override { RemoveInstallKey(); }

  // What the program needs beside it to get as far as its main window.
  static void WriteBankFiles(const std::wstring& folder) {
    std::ofstream keywords(std::filesystem::path(Long(folder) + L"\\关键词.txt"), std::ios::binary);
    keywords << Gbk(L"集合\r\n");
    ASSERT_TRUE(keywords.good());
    WriteBank(folder + L"\\填空题题库.db", {});
  }

  // A program folder besides the test's own: the launcher, the bank files and,
  // unless null, the library `runtime` from the test's folder as krnln.fnr.
  static void LayOutProgram(const std::wstring& folder, const wchar_t* runtime) {
    MakeDirectories(folder);
    CopyFromBin(L"tessaly.exe", folder + L"\\tessaly.exe");
    if (runtime) CopyFromBin(runtime, folder + L"\\krnln.fnr");
    WriteBankFiles(folder);
  }

  // An install directory holding the library `runtime` as krnln.fne; the
  // path as the registry names it, with or without its trailing backslash.
  static void LayOutInstallDirectory(const std::wstring& path, const wchar_t* runtime) {
    const std::wstring folder = path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
    MakeDirectories(folder);
    CopyFromBin(runtime, folder + L"\\krnln.fne");
  }

  // Starts the launcher in `folder` and waits for what it shows first: the
  // program's main window or a message box.
  struct Shown {
    HWND main = nullptr;
    HWND box = nullptr;
  };
  static Shown Start(const std::wstring& folder, driver::Process& process) {
    Shown shown;
    if (!driver::Start(folder + L"\\tessaly.exe", folder, process)) {
      ADD_FAILURE() << "the launcher could not be started";
      return shown;
    }
    driver::WaitUntil(
        [&] {
          shown.main = driver::WaitForWindow(process.id, kCaption, 0);
          const std::vector<HWND> boxes = driver::MessageBoxes(process.id);
          if (!boxes.empty()) shown.box = boxes.front();
          return shown.main || shown.box;
        },
        kStartTimeoutMs);
    return shown;
  }

  // The program runs: its main window appears, and closing it ends the
  // process with 0.
  static void ExpectRuns(const std::wstring& folder) {
    driver::Process process;
    ProcessGuard guard(process);
    const Shown shown = Start(folder, process);
    if (shown.box) ADD_FAILURE() << "a message box instead of the main window: " << driver::MessageBoxText(shown.box);
    ASSERT_NE(shown.main, nullptr) << "the main window did not appear";
    PostMessageW(shown.main, WM_CLOSE, 0, 0);
    DWORD code = 0xDEAD;
    ASSERT_TRUE(driver::WaitForExit(process, 10000, code)) << "the program did not end after its window was closed";
    EXPECT_EQ(code, 0u);
    guard.Release();
    CloseHandle(process.handle);
  }

  // The launcher shows its error box and nothing else, `whileShown` runs
  // while the box is up, and dismissing the box ends the process with -1.
  static void ExpectRefused(const std::wstring& folder, const std::function<void()>& whileShown = nullptr) {
    driver::Process process;
    ProcessGuard guard(process);
    const Shown shown = Start(folder, process);
    EXPECT_EQ(shown.main, nullptr) << "the program ran";
    ASSERT_NE(shown.box, nullptr) << "no error box";
    EXPECT_EQ(driver::MessageBoxText(shown.box), kErrorText);
    EXPECT_EQ(driver::Text(shown.box), kErrorCaption);
    EXPECT_EQ(driver::MessageBoxes(process.id).size(), 1u);
    if (whileShown) whileShown();
    driver::DismissMessageBox(shown.box);
    DWORD code = 0xDEAD;
    ASSERT_TRUE(driver::WaitForExit(process, 10000, code)) << "the launcher did not end after its box was dismissed";
    EXPECT_EQ(code, kErrorExitCode);
    guard.Release();
    CloseHandle(process.handle);
  }

  ProgramFolder folder_;  // the launcher and the real krnln.fnr in it
};

TEST_F(LauncherTest, LibraryBesideTheProgramIsPreferredToTheInstalledOne) {
  // An installed library that would refuse to run the program, so a start
  // that took it would end in the error box.
  const std::wstring install = folder_.path() + L"\\Orv";
  LayOutInstallDirectory(install, kRefusingRunner);
  SetInstallPath(&install);
  ExpectRuns(folder_.path());
  EXPECT_EQ(ReadJournal(install), "") << "the installed library was not even loaded";
}

TEST_F(LauncherTest, InstalledLibraryRunsTheProgramWhenNoneIsBesideIt) {
  folder_.RemoveFile(kRuntime);
  const std::wstring install = folder_.path() + L"\\Orv";
  LayOutInstallDirectory(install, kRuntime);
  for (const std::wstring& path : {install, install + L"\\"}) {
    SCOPED_TRACE(path);
    SetInstallPath(&path);
    ExpectRuns(folder_.path());
  }
}

TEST_F(LauncherTest, NoLibraryBesideAndNoInstallKeyIsAnError) {
  folder_.RemoveFile(kRuntime);
  ExpectRefused(folder_.path());
}

TEST_F(LauncherTest, InstallKeyWithoutAUsablePathIsAnError) {
  folder_.RemoveFile(kRuntime);
  // An install directory that exists but holds no krnln.fne.
  const std::wstring empty = folder_.path() + L"\\Orv";
  MakeDirectories(empty);
  const std::wstring blank;
  for (const std::wstring* path : {static_cast<const std::wstring*>(nullptr), &blank, &empty}) {
    SCOPED_TRACE(path ? L"Path \"" + *path + L"\"" : L"no Path value");
    RemoveInstallKey();
    SetInstallPath(path);
    ExpectRefused(folder_.path());
  }
}

// A library beside the program that cannot run it is not passed over for the
// installed one; it is loaded, asked for the runner, released, and the start
// fails.
TEST_F(LauncherTest, LibraryWithoutTheRunnerExportIsRefused) {
  CopyFromBin(kWithoutRunner, folder_.path() + L"\\krnln.fnr");
  const std::wstring install = folder_.path() + L"\\Orv";
  LayOutInstallDirectory(install, kRuntime);
  for (const bool installed : {false, true}) {
    SCOPED_TRACE(installed ? "a working library installed" : "no install key");
    if (installed) SetInstallPath(&install);
    folder_.RemoveFile(kJournal);
    ExpectRefused(folder_.path(), [&] { EXPECT_EQ(ReadJournal(folder_.path()), "loaded\nfreed\n"); });
  }
}

TEST_F(LauncherTest, RunnerExportGivingNoRunnerIsRefused) {
  CopyFromBin(kRefusingRunner, folder_.path() + L"\\krnln.fnr");
  const std::wstring install = folder_.path() + L"\\Orv";
  LayOutInstallDirectory(install, kRuntime);
  for (const bool installed : {false, true}) {
    SCOPED_TRACE(installed ? "a working library installed" : "no install key");
    if (installed) SetInstallPath(&install);
    folder_.RemoveFile(kJournal);
    ExpectRefused(folder_.path(), [&] { EXPECT_EQ(ReadJournal(folder_.path()), "loaded\nGetNewSock 1000\nfreed\n"); });
  }
}

// The launcher reads only the first 127 characters of its own path and looks
// for the program's folder from 6 characters before their end. A folder whose
// path does not fit is not found, even with the library beside the program.
TEST_F(LauncherTest, ProgramFolderBeyondTheModuleNameLimitIsNotFound) {
  folder_.RemoveFile(kRuntime);  // no library anywhere above the deep folder either
  const std::wstring deep = PathOfLength(folder_.path(), kModuleNameLimit + 20);
  LayOutProgram(deep, kRuntime);
  ExpectRefused(deep);
}

// A path cut at the limit still names the folder when its last backslash is
// at least 6 characters before the cut; one character later it is missed.
TEST_F(LauncherTest, ProgramFolderAtTheModuleNameLimit) {
  folder_.RemoveFile(kRuntime);
  const size_t longest = kModuleNameLimit - 6;  // the backslash after it is where the scan starts
  const std::wstring found = PathOfLength(folder_.path() + L"\\found", longest);
  const std::wstring missed = PathOfLength(folder_.path() + L"\\missed", longest + 1);
  ASSERT_GT(found.size() + std::wstring(L"\\tessaly.exe").size(), kModuleNameLimit) << "the path is cut";
  LayOutProgram(found, kRuntime);
  LayOutProgram(missed, kRuntime);
  {
    SCOPED_TRACE(found);
    ExpectRuns(found);
  }
  {
    SCOPED_TRACE(missed);
    ExpectRefused(missed);
  }
}

// The install path, a backslash unless it ends in one, and "krnln.fne" must
// fit the 260-byte path buffer with the terminating zero.
TEST_F(LauncherTest, InstallPathThatJustFitsTheBufferIsUsed) {
  folder_.RemoveFile(kRuntime);
  const size_t longest = kPathBuffer - 1 - kInstalledNameLength;  // with the backslash
  const std::wstring bare = PathOfLength(folder_.path() + L"\\bare", longest - 1);
  const std::wstring ended = PathOfLength(folder_.path() + L"\\ended", longest - 1) + L"\\";
  LayOutInstallDirectory(bare, kRuntime);
  LayOutInstallDirectory(ended, kRuntime);
  for (const std::wstring& path : {bare, ended}) {
    SCOPED_TRACE(path);
    SetInstallPath(&path);
    ExpectRuns(folder_.path());
  }
}

// A longer one is refused rather than written past the buffer, though the
// directory holds a working library; so is one too long to be read at all.
TEST_F(LauncherTest, InstallPathTooLongForTheBufferIsRefused) {
  folder_.RemoveFile(kRuntime);
  const size_t longest = kPathBuffer - 1 - kInstalledNameLength;
  const std::wstring bare = PathOfLength(folder_.path() + L"\\bare", longest);
  const std::wstring ended = PathOfLength(folder_.path() + L"\\ended", longest) + L"\\";
  const std::wstring readable = PathOfLength(folder_.path() + L"\\readable", 258);  // the most the query gives
  const std::wstring unreadable = PathOfLength(folder_.path() + L"\\unreadable", 300);
  for (const std::wstring& path : {bare, ended, readable, unreadable}) LayOutInstallDirectory(path, kRuntime);
  for (const std::wstring& path : {bare, ended, readable, unreadable}) {
    SCOPED_TRACE(path);
    SetInstallPath(&path);
    ExpectRefused(folder_.path());
  }
}

}  // namespace
}  // namespace e2e
