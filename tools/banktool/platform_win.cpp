#include <windows.h>

#include <cerrno>
#include <cwchar>

#include "unzip.h"
#include "zip.h"
// After zip.h, which brings the zlib declarations it needs.
#include "iowin32.h"
#include "tools/banktool/platform.h"

namespace banktool {
namespace {

// The system's text for a Windows error code, as UTF-8.
std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = n ? std::wstring(text, n) : L"error " + std::to_wstring(code);
  if (text) LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) wide.pop_back();
  return PathToUtf8(fs::path(wide));
}

}  // namespace

std::FILE* OpenFile(const fs::path& path, const char* mode) {
  std::wstring wideMode;
  for (const char* c = mode; *c; ++c) wideMode += static_cast<wchar_t>(*c);
  return _wfopen(path.c_str(), wideMode.c_str());
}

std::string ErrnoText(int code) { return PathToUtf8(fs::path(std::wstring(_wcserror(code)))); }

bool MoveReplacing(const fs::path& from, const fs::path& to, std::string& error) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  error = SystemMessage(GetLastError());
  return false;
}

void* OpenZipForWriting(const fs::path& path) {
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

void* OpenZipForReading(const fs::path& path) {
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return unzOpen2_64(path.c_str(), &functions);
}

unsigned long CurrentProcessId() { return GetCurrentProcessId(); }

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_s(&local, &now);
  return local;
}

}  // namespace banktool
