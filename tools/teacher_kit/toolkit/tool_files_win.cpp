#include <windows.h>

#include <cwchar>
#include <sstream>

#include "tools/teacher_kit/toolkit/tool_files.h"
#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace toolkit {

// Wide texts, so that the message is right whatever the ANSI code page is:
// the system's message for a Windows error code, the C library's for errno.
std::string ErrorText(const std::error_code& error) {
  if (error.category() != std::system_category()) {
    return PathToUtf8(fs::path(std::wstring(_wcserror(error.value()))));
  }
  wchar_t* text = nullptr;
  const DWORD n =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(error.value()), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) wide.pop_back();
  return wide.empty() ? Say(Msg::SystemError, error.value()) : PathToUtf8(fs::path(wide));
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

namespace {

std::string WideToUtf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string utf8(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

void WriteStandard(unsigned long which, const std::string& utf8) {
  if (utf8.empty()) return;
  const HANDLE handle = GetStdHandle(which);
  DWORD mode, written;
  if (GetConsoleMode(handle, &mode)) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  } else {
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  }
}

}  // namespace

int RunTool(int argc, wchar_t** argv, ToolFunction tool) {
  SetLanguage(LanguageFromEnvironment());
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
  std::ostringstream out, err;
  const int code = tool(args, out, err);
  WriteStandard(STD_OUTPUT_HANDLE, out.str());
  WriteStandard(STD_ERROR_HANDLE, err.str());
  return code;
}

fs::path ToolFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return fs::current_path();
    if (n < path.size()) {
      path.resize(n);
      return fs::path(path).parent_path();
    }
    path.resize(path.size() * 2);
  }
}

bool ConsoleIsOurOwn() {
  DWORD processes[2];
  DWORD mode;
  return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

void WaitForKey(std::string_view prompt) {
  WriteStandard(STD_OUTPUT_HANDLE, std::string(prompt));
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read;
  while (ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) break;
  }
}

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  return local;
}

}  // namespace toolkit
