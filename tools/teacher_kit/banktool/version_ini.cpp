#include "tools/teacher_kit/banktool/version_ini.h"

#include "runtime/data/encoding.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

std::string CheckIniValue(std::string_view value) {
  if (value.empty()) return Say(Msg::VersionEmpty);
  if (HasControlCharacter(value)) return Say(Msg::VersionControl, Quoted(value));
  if (TrimBlanks(value).size() != value.size()) {
    return Say(Msg::VersionSpace, Quoted(value));
  }
  if (!IsValidUtf8(value)) return Say(Msg::NotUtf8);
  return CheckGbk(value);
}

std::string CheckIniFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return Say(Msg::IniHasBom);
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return Say(Msg::IniUtf16);
  }
  if (!rt::GbkToUtf8Exactly(bytes)) return Say(Msg::NotGbk);
  return std::string();
}

}  // namespace banktool
