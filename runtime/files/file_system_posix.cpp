// The family on Linux, for native builds and tests.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "runtime/data/encoding.h"
#include "runtime/files/file_system.h"

namespace rt {

fs::path NativePath(std::string_view gbkName) { return fs::path(GbkToUtf8(gbkName)); }

std::FILE* OpenNativeFile(const fs::path& path, const char* mode) { return std::fopen(path.c_str(), mode); }

bool SyncAndClose(std::FILE* file) {
  const bool ok = std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  return std::fclose(file) == 0 && ok;
}

bool MoveReplacing(const fs::path& from, const fs::path& to, std::error_code& error) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    error = std::error_code(errno, std::generic_category());
    return false;
  }
  // The rename is durable once the folder holding the new name is.
  const int dir = open(to.has_parent_path() ? to.parent_path().c_str() : ".", O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return true;
}

bool RemoveTree(const fs::path& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
  return !fs::exists(path, ec) && !ec;
}

}  // namespace rt
