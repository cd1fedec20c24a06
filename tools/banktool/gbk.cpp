// The platform-free part of the GBK conversions.
#include "tools/banktool/gbk.h"

#include "tools/banktool/text.h"

namespace banktool {

std::string FirstCharacterOutsideGbk(std::string_view utf8) {
  if (Utf8ToGbk(utf8)) return std::string();
  for (size_t p = 0; p < utf8.size();) {
    const size_t start = p;
    NextCodePoint(utf8, p);
    const std::string_view character = utf8.substr(start, p - start);
    if (!Utf8ToGbk(character)) return std::string(character);
  }
  return std::string();
}

std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8).value_or(std::string()); }

}  // namespace banktool
