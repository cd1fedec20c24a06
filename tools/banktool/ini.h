// Editing the version file math.ini: INI text in GBK with CR LF line ends,
// section 版本信息, keys 题库版本 and 主程序版本.
#pragma once

#include <string>
#include <string_view>

namespace banktool {

// The new bytes of an INI file after setting `key` in `section` to `value`
// (all three GBK; names are compared as they stand, spaces around them
// ignored). Every other line is kept byte for byte. The first `key=` line of
// the section is replaced; further ones of the same key in that section (or
// in a repeat of it) are dropped, so that every reader sees the same value. A
// missing key is added after the section's last line that is not blank; a
// missing section is added at the end after a blank line. Lines written end
// in CR LF. Section headers are found with GBK's double-byte characters
// stepped over, so a trail byte that looks like ']' is no bracket.
std::string SetIniValue(std::string_view ini, std::string_view section, std::string_view key,
                        std::string_view value);

// Why `value` (UTF-8) cannot be written as a version, empty when it can: it
// must not be empty, must not hold line breaks or other control characters,
// must not start or end with a space (readers drop them) and must convert to
// GBK.
std::string CheckIniValue(std::string_view value);

// Why existing INI bytes cannot be edited as GBK text, empty when they can.
std::string CheckIniFile(std::string_view bytes);

}  // namespace banktool
