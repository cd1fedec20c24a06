// The platform-free part of the platform interface.
#include "tools/teacher_kit/toolkit/tool_files.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "runtime/files/file_system.h"

namespace toolkit {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

fs::path PathFromUtf8(std::string_view utf8) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string PathToUtf8(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error) {
  bytes.clear();
  std::unique_ptr<std::FILE, FileCloser> file(rt::OpenNativeFile(path, "rb"));
  if (!file) {
    error = ErrnoText(errno);
    return false;
  }
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, n);
  if (std::ferror(file.get())) {
    error = ErrnoText(errno);
    return false;
  }
  return true;
}

bool WriteFileBytes(const fs::path& path, std::string_view bytes, std::string& error) {
  std::FILE* file = rt::OpenNativeFile(path, "wb");
  if (!file) {
    error = ErrnoText(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeErrno = errno;
  const bool closed = rt::SyncAndClose(file);
  if (!written || !closed) {
    error = ErrnoText(written ? errno : writeErrno);
    return false;
  }
  return true;
}

bool MoveReplacing(const fs::path& from, const fs::path& to, std::string& error) {
  std::error_code why;
  if (rt::MoveReplacing(from, to, why)) return true;
  error = ErrorText(why);
  return false;
}

}  // namespace toolkit
