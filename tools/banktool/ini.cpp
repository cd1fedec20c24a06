#include "tools/banktool/ini.h"

#include "runtime/encoding.h"
#include "tools/banktool/problem.h"
#include "tools/banktool/text.h"

namespace banktool {

std::string CheckIniValue(std::string_view value) {
  if (value.empty()) return "is empty";
  if (HasControlCharacter(value)) return Quoted(value) + " holds a line break or another control character";
  if (TrimBlanks(value).size() != value.size()) {
    return Quoted(value) + " starts or ends with a space, which readers of math.ini drop";
  }
  if (!IsValidUtf8(value)) return "is not UTF-8 text";
  return CheckGbk(value);
}

std::string CheckIniFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return "starts with a UTF-8 byte order mark, but math.ini must be GBK text";
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return "is UTF-16 text, but math.ini must be GBK text";
  }
  if (!rt::GbkToUtf8Exactly(bytes)) return "is not GBK text";
  return std::string();
}

}  // namespace banktool
