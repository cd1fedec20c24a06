#include "runtime/files/ini_files.h"

#include <cstdio>
#include <string>

#include "runtime/data/ini.h"
#include "runtime/files/file_system.h"

namespace rt {
namespace {

// The whole file; empty when it is missing or cannot be read.
std::string ReadFileBytes(std::string_view file) {
  std::string bytes;
  std::FILE* f = OpenNativeFile(NativePath(file), "rb");
  if (!f) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

}  // namespace

Text ReadIniItem(std::string_view file, std::string_view section, std::string_view key) {
  return IniValue(ReadFileBytes(file), section, key);
}

bool WriteIniItem(std::string_view file, std::string_view section, std::string_view key, std::string_view value) {
  return WriteFileReplacing(NativePath(file), WithIniValue(ReadFileBytes(file), section, key, value));
}

}  // namespace rt
