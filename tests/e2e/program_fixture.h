// A program folder of its own for each test, the program started in it, and
// the registry and stand-in programs around it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/driver/driver.h"

namespace e2e {

// The folder holding the test executable, the program and the stand-ins.
std::wstring BinDirectory();
// GBK bytes of a UTF-16 text, as the program's files hold them.
std::string Gbk(const std::wstring& text);
std::wstring FromGbk(const std::string& gbk);

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

// The program running in a folder, its main window found by caption.
class RunningProgram {
 public:
  explicit RunningProgram(const ProgramFolder& folder);
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

inline constexpr wchar_t kCaption[] = L"《Tessaly》之填空题练习1.0.2";
inline constexpr DWORD kStartTimeoutMs = 20000;

}  // namespace e2e
