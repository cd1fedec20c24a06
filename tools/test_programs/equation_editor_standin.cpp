// A stand-in for the equation editor in tests, registered as its local server.
// Started with a command line ending in the answer file's name (in quotation
// marks when it holds a blank), it records the
// whole command line in "standin-commandline.txt" beside itself and then, as
// "standin-mode.txt" beside itself says:
//   save    writes an answer picture (a small GIF unlike the blank template)
//   nosave  ends without writing, as a student who closes the editor unsaved
// A missing mode file means "save".
#include <windows.h>

#include <string>

namespace {

std::wstring Beside(const std::wstring& name) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\') + 1) + name;
}

void WriteBytes(const std::wstring& file, const std::string& bytes) {
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string ReadBytes(const std::wstring& file) {
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::string();
  char buffer[256];
  DWORD got = 0;
  ReadFile(h, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(h);
  return std::string(buffer, got);
}

std::string Utf8(const std::wstring& text) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// A 24 x 12 GIF89a (a white bar on blue), unlike the blank template.
const char kAnswerGif[] =
    "\x47\x49\x46\x38\x39\x61\x18\x00\x0c\x00\xf0\x01\x00\x20\x50\xc0\xff\xff\xff\x21\xf9\x04\x00\x00"
    "\x00\x00\x00\x2c\x00\x00\x00\x00\x18\x00\x0c\x00\x00\x02\x18\x84\x8f\xa9\xcb\xed\x0f\x63\x0b"
    "\xb4\xda\x1b\x18\xde\x55\xf3\xed\x7d\x97\x44\x96\xe6\x89\x02\x05\x00\x3b";

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring commandLine = GetCommandLineW();
  WriteBytes(Beside(L"standin-commandline.txt"), Utf8(commandLine));
  const std::string mode = ReadBytes(Beside(L"standin-mode.txt"));
  if (mode.rfind("nosave", 0) == 0) return 0;
  // The answer file is the last argument: in quotation marks, or else the last
  // blank-separated word of the command line.
  std::wstring answerFile;
  if (commandLine.size() > 2 && commandLine.back() == L'"') {
    const size_t open = commandLine.find_last_of(L'"', commandLine.size() - 2);
    if (open == std::wstring::npos) return 1;
    answerFile = commandLine.substr(open + 1, commandLine.size() - open - 2);
  } else {
    const size_t blank = commandLine.find_last_of(L' ');
    if (blank == std::wstring::npos) return 1;
    answerFile = commandLine.substr(blank + 1);
  }
  WriteBytes(answerFile, std::string(kAnswerGif, sizeof kAnswerGif - 1));
  return 0;
}
