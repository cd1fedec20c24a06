// A program folder of its own for each test, the program started in it, and
// the registry and stand-in programs around it.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/test_programs/driver/driver.h"

namespace e2e {

// The folder holding the test executable, the program and the stand-ins.
std::wstring BinDirectory();
// The folder (created when missing) that holds the tests' program folders and scratch files.
std::wstring WorkDirectory();
// Removes everything in a folder, read-only files included; RemoveTree the
// folder too.
void EmptyFolder(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// GBK bytes of a UTF-16 text, as the program's files hold them.
std::string Gbk(const std::wstring& text);
std::wstring FromGbk(const std::string& gbk);

// The settings a program file carries (tessalyconfig's reading of it), by
// name ("public-update-host", ...); empty when it has none.
std::map<std::string, std::string> SettingsOf(const std::wstring& exe);
// Runs a tool of the test folder with these arguments and waits for it; its
// exit code (-1 when it did not start or end within 30 s).
DWORD RunTool(const std::wstring& tool, const std::vector<std::wstring>& args);

// Stored in the registry of the test prefix for the program to find.
void SetMathTypeCommand(const std::wstring* command);  // null removes the key
// The stand-in browser: the system's handler for http URLs records them.
void RegisterUrlRecorder();
std::vector<std::wstring> RecordedUrls();
void ClearRecordedUrls();

// A fresh, empty program folder named after the running test, with the program in it.
class ProgramFolder {
 public:
  ProgramFolder();
  const std::wstring& path() const { return path_; }
  std::wstring exe() const { return path_ + L"\\tessaly.exe"; }
  void WriteFile(const std::wstring& name, const std::string& bytes) const;
  void RemoveFile(const std::wstring& name) const;

 private:
  std::wstring path_;
};

// Ends a started program when the test leaves early (a failed check) without
// having ended or handed it on, so that it does not hold the single-instance
// mark for the tests after it.
class ProcessGuard {
 public:
  explicit ProcessGuard(driver::Process& process) : process_(&process) {}
  ~ProcessGuard() {
    if (process_) driver::Kill(*process_);
  }
  ProcessGuard(const ProcessGuard&) = delete;
  ProcessGuard& operator=(const ProcessGuard&) = delete;
  // The program is someone else's to end now.
  void Release() { process_ = nullptr; }

 private:
  driver::Process* process_;
};

// The status texts the update check ends with: no server answered, or the
// server's version file has come.
inline constexpr wchar_t kNoServerStatus[] = L"与服务器通讯失败！您可以使用本机题库进行练习";
inline constexpr wchar_t kUpdateInfoStatus[] = L"升级信息下载完成！";

// The program running in a folder, its main window found by caption. Unless
// told otherwise, the constructor also waits (up to 10 s) for the update
// check that start-up begins to write its last status text, so that a test's
// own status texts are not overwritten by it.
class RunningProgram {
 public:
  explicit RunningProgram(const ProgramFolder& folder, bool waitForUpdateCheck = true);
  // A program already started (which may have shown message boxes first).
  RunningProgram(const driver::Process& started, bool waitForUpdateCheck);
  // True once the status line shows the update check's last text.
  bool WaitForUpdateCheck(DWORD timeoutMs = 10000) const;
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return main_ != nullptr; }
  HWND main() const { return main_; }
  HWND control(uint32_t identifier) const { return driver::Control(main_, identifier); }
  std::wstring text(uint32_t identifier) const { return driver::Text(control(identifier)); }
  const driver::Process& process() const { return process_; }
  // Closes the main window and waits for the process; its exit code.
  DWORD Close();

 private:
  driver::Process process_;
  HWND main_ = nullptr;
};

// The product's name and the program's version (TESSALY_VERSION).
inline constexpr wchar_t kCaption[] = L"《Tessaly》之填空题练习" TESSALY_VERSION;
inline constexpr DWORD kStartTimeoutMs = 20000;

}  // namespace e2e
