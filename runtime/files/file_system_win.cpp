#include <windows.h>

#include <io.h>

#include <cwchar>

#include "runtime/data/encoding.h"
#include "runtime/files/file_system.h"

namespace rt {

fs::path NativePath(std::string_view gbkName) { return fs::path(GbkToWide(gbkName)); }

std::FILE* OpenNativeFile(const fs::path& path, const char* mode) {
  std::wstring wideMode;
  for (const char* c = mode; *c; ++c) wideMode += static_cast<wchar_t>(*c);
  return _wfopen(path.c_str(), wideMode.c_str());
}

bool SyncAndClose(std::FILE* file) {
  bool ok = std::fflush(file) == 0;
  if (ok) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    ok = handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
  }
  return std::fclose(file) == 0 && ok;
}

bool MoveReplacing(const fs::path& from, const fs::path& to, std::error_code& error) {
  constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(from.c_str(), to.c_str(), kFlags)) return true;
  DWORD code = GetLastError();
  // Windows refuses to replace a read-only file.
  if (code == ERROR_ACCESS_DENIED && ClearReadOnly(to.c_str())) {
    if (MoveFileExW(from.c_str(), to.c_str(), kFlags)) return true;
    code = GetLastError();
  }
  error = std::error_code(static_cast<int>(code), std::system_category());
  return false;
}

bool ClearReadOnly(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return false;
  return SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

bool RemoveTree(const fs::path& path) {
  std::error_code ec;
  // Windows refuses to delete a read-only file (or folder): the marks go first.
  ClearReadOnly(path.c_str());
  for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    ClearReadOnly(it->path().c_str());
  }
  fs::remove_all(path, ec);
  return !fs::exists(path, ec) && !ec;
}

}  // namespace rt
