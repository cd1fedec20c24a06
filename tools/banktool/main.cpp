// banktool: the question-bank tool for teachers. See banktool --help.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/banktool/cli.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::string WideToUtf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return std::string();
  std::string utf8(static_cast<size_t>(n - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

// UTF-8 text to a console as UTF-16, so that Chinese shows whatever the
// console's code page is; to a file or pipe as UTF-8 bytes.
void Write(DWORD which, const std::string& utf8) {
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

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
  std::ostringstream out, err;
  const int code = banktool::RunBankTool(args, out, err);
  Write(STD_OUTPUT_HANDLE, out.str());
  Write(STD_ERROR_HANDLE, err.str());
  return code;
}

#else

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return banktool::RunBankTool(args, std::cout, std::cerr);
}

#endif
