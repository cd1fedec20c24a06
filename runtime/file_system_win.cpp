#include <windows.h>

#include <io.h>

#include <cwchar>

#include "unzip.h"
// After unzip.h, which brings the zlib declarations it needs.
#include "iowin32.h"
#include "runtime/encoding.h"
#include "runtime/file_system.h"

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

bool MoveReplacing(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void* OpenArchiveForReading(const fs::path& path) {
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return unzOpen2_64(path.c_str(), &functions);
}

}  // namespace rt
