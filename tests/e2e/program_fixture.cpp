#include "tests/e2e/program_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "program/control_ids.h"
#include "program/program_settings_file.h"

namespace e2e {
namespace {

constexpr wchar_t kMathTypeKey[] = L"CLSID\\{0002CE03-0000-0000-C000-000000000046}\\LocalServer";

std::wstring TestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside";
  return std::wstring(name.begin(), name.end());
}

}  // namespace

void EmptyFolder(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring child = path + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(child);
    } else {
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file left by a test
      DeleteFileW(child.c_str());
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

void RemoveTree(const std::wstring& path) {
  EmptyFolder(path);
  RemoveDirectoryW(path.c_str());
}

std::wstring BinDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\'));
}

std::map<std::string, std::string> SettingsOf(const std::wstring& exe) {
  std::ifstream in(std::filesystem::path(exe), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  const std::optional<program::ProgramSettings> found = program::ReadProgramSettings(bytes, error);
  std::map<std::string, std::string> settings;
  if (!found) ADD_FAILURE() << "the settings of the program do not read: " << error;
  for (const auto& placed : found ? found->settings : std::vector<program::PlacedSetting>()) {
    settings[std::string(placed.setting->name)] = placed.value;
  }
  return settings;
}

DWORD RunTool(const std::wstring& tool, const std::vector<std::wstring>& args) {
  const std::wstring exe = BinDirectory() + L"\\" + tool;
  std::wstring commandLine = L"\"" + exe + L"\"";
  for (const std::wstring& arg : args) commandLine += L" \"" + arg + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return static_cast<DWORD>(-1);
  }
  CloseHandle(pi.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return code;
}

std::string Gbk(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(936, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring FromGbk(const std::string& gbk) {
  if (gbk.empty()) return std::wstring();
  const int n = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
  return out;
}

void SetMathTypeCommand(const std::wstring* command) {
  if (!command) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, kMathTypeKey);
    return;
  }
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, kMathTypeKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command->c_str()),
                 static_cast<DWORD>((command->size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

void RegisterUrlRecorder() {
  const std::wstring command = L"\"" + BinDirectory() + L"\\url_recorder.exe\" \"%1\"";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  HKEY http;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"http", 0, nullptr, 0, KEY_WRITE, nullptr, &http, nullptr) == ERROR_SUCCESS) {
    RegSetValueExW(http, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
    RegCloseKey(http);
  }
}

std::vector<std::wstring> RecordedUrls() {
  std::ifstream in(std::filesystem::path(BinDirectory() + L"\\opened-urls.txt"), std::ios::binary);
  std::vector<std::wstring> urls;
  std::string line;
  while (std::getline(in, line)) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring url(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), url.data(), n);
    urls.push_back(url);
  }
  return urls;
}

void ClearRecordedUrls() { DeleteFileW((BinDirectory() + L"\\opened-urls.txt").c_str()); }

// A short folder name for the running test: the launcher finds its runtime
// library only when its own path is shorter than 128 characters, so the
// folders live near the root of C: (the Wine prefix's own drive), and a long
// test name is cut and told apart from others by a hash of the whole name.
std::wstring FolderName() {
  constexpr size_t kKept = 40;
  const std::wstring name = TestName();
  if (name.size() <= kKept + 9) return name;
  uint32_t hash = 2166136261u;  // FNV-1a
  for (wchar_t c : name) hash = (hash ^ static_cast<uint32_t>(c)) * 16777619u;
  wchar_t suffix[16];
  swprintf(suffix, 16, L"-%08x", hash);
  return name.substr(0, kKept) + suffix;
}

std::wstring WorkDirectory() {
  const std::wstring root = L"C:\\tessaly-e2e";
  CreateDirectoryW(root.c_str(), nullptr);
  return root;
}

ProgramFolder::ProgramFolder() {
  path_ = WorkDirectory() + L"\\" + FolderName();
  RemoveTree(path_);
  CreateDirectoryW(path_.c_str(), nullptr);
  // What a student has: the launcher and the runtime support library beside it.
  EXPECT_TRUE(CopyFileW((BinDirectory() + L"\\tessaly.exe").c_str(), exe().c_str(), FALSE));
  EXPECT_TRUE(CopyFileW((BinDirectory() + L"\\krnln.fnr").c_str(), (path_ + L"\\krnln.fnr").c_str(), FALSE));
}

void ProgramFolder::WriteFile(const std::wstring& name, const std::string& bytes) const {
  std::ofstream out(std::filesystem::path(path_ + L"\\" + name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good());
}

void ProgramFolder::RemoveFile(const std::wstring& name) const { DeleteFileW((path_ + L"\\" + name).c_str()); }

RunningProgram::RunningProgram(const ProgramFolder& folder, bool waitForUpdateCheck) {
  if (!driver::Start(folder.exe(), folder.path(), process_)) {
    ADD_FAILURE() << "the program could not be started";
    return;
  }
  main_ = driver::WaitForWindow(process_.id, kCaption, kStartTimeoutMs);
  if (!main_) ADD_FAILURE() << "the main window did not appear";
  if (main_ && waitForUpdateCheck) WaitForUpdateCheck();
}

RunningProgram::RunningProgram(const driver::Process& started, bool waitForUpdateCheck) : process_(started) {
  main_ = driver::WaitForWindow(process_.id, kCaption, kStartTimeoutMs);
  if (!main_) ADD_FAILURE() << "the main window did not appear";
  if (main_ && waitForUpdateCheck) WaitForUpdateCheck();
}

bool RunningProgram::WaitForUpdateCheck(DWORD timeoutMs) const {
  return driver::WaitUntil(
      [&] {
        const std::wstring status = text(program::状态栏);
        return status == kNoServerStatus || status == kUpdateInfoStatus;
      },
      timeoutMs);
}

DWORD RunningProgram::Close() {
  DWORD code = 0xDEAD;
  if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
  if (!driver::WaitForExit(process_, 10000, code)) {
    ADD_FAILURE() << "the program did not end after its window was closed";
    driver::Kill(process_);
    return code;
  }
  CloseHandle(process_.handle);
  process_.handle = nullptr;
  main_ = nullptr;
  return code;
}

RunningProgram::~RunningProgram() {
  if (process_.handle) {
    if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
    DWORD code;
    if (!driver::WaitForExit(process_, 10000, code)) driver::Kill(process_);
    if (process_.handle) CloseHandle(process_.handle);
  }
}

}  // namespace e2e
