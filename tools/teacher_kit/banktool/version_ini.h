// What the version file math.ini takes: INI text in GBK with CR LF line ends,
// section 版本信息, keys 题库版本 and 主程序版本. The runtime's INI family
// (runtime/data/ini.h) edits it.
#pragma once

#include <string>
#include <string_view>

namespace banktool {

// Why `value` (UTF-8) cannot be written as a version, empty when it can: it
// must not be empty, must not hold line breaks or other control characters,
// must not start or end with a space (readers drop them) and must convert to
// GBK.
std::string CheckIniValue(std::string_view value);

// Why existing INI bytes cannot be edited as GBK text, empty when they can.
std::string CheckIniFile(std::string_view bytes);

}  // namespace banktool
