#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ioapi.h"
#include "unzip.h"
#include "zip.h"
#include "tools/banktool/platform.h"

namespace banktool {

std::FILE* OpenFile(const fs::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

std::string ErrnoText(int code) { return std::strerror(code); }

bool MoveReplacing(const fs::path& from, const fs::path& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  error = ErrnoText(errno);
  return false;
}

void* OpenZipForWriting(const fs::path& path) { return zipOpen64(path.c_str(), APPEND_STATUS_CREATE); }

void* OpenZipForReading(const fs::path& path) { return unzOpen64(path.c_str()); }

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace banktool
