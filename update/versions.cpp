#include <cstdint>
#include "update/versions.h"

#include <string>

bool VersionsDiffer(std::string_view local, std::string_view server) { return local != server; }

rt::Text ServerTextCaption(std::string_view fileBytes) {
  std::string text(fileBytes);
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
  return rt::Text(text);
}

bool LooksLikeProgramArchive(std::string_view bytes) {
  using namespace std::string_view_literals;
  for (const std::string_view magic :
       {"Rar!\x1A\x07"sv, "PK\x03\x04"sv, "PK\x05\x06"sv, "7z\xBC\xAF\x27\x1C"sv, "MZ"sv}) {
    if (bytes.starts_with(magic)) return true;
  }
  return false;
}

bool SizeMatches(std::string_view namedSize, size_t downloaded) {
  if (namedSize.empty() || namedSize.size() > 19) return true;
  uint64_t size = 0;
  for (const char c : namedSize) {
    if (c < '0' || c > '9') return true;
    size = size * 10 + static_cast<uint64_t>(c - '0');
  }
  return size == downloaded;
}
