// A stand-in for the web browser in tests: registered as the system's handler
// for http URLs, it appends the URL it was asked to open, one per line, to
// "opened-urls.txt" beside itself, and exits.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  std::wstring url = commandLine ? commandLine : L"";
  if (url.size() >= 2 && url.front() == L'"' && url.back() == L'"') url = url.substr(1, url.size() - 2);
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring log(path, n);
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"opened-urls.txt";
  const HANDLE h = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, url.c_str(), static_cast<int>(url.size()), nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, url.c_str(), static_cast<int>(url.size()), line.data(), bytes, nullptr, nullptr);
  line += "\n";
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(h);
  return 0;
}
