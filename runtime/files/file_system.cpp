// The parts of the file-system family that are the same on both platforms.
#include "runtime/files/file_system.h"

namespace rt {

bool WriteFileReplacing(const fs::path& path, std::string_view bytes) {
  fs::path temporary = path;
  temporary += ".new";
  std::FILE* file = OpenNativeFile(temporary, "wb");
  if (!file) return false;
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (!SyncAndClose(file) || !written || !MoveReplacing(temporary, path)) {
    std::error_code ec;
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

bool MoveReplacing(const fs::path& from, const fs::path& to) {
  std::error_code ignored;
  return MoveReplacing(from, to, ignored);
}

bool IsFile(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace rt
