// The INI family's texts: items of INI texts such as the version file
// math.ini (the items of files: runtime/files/ini_files.h). The texts are GBK;
// section and key names are compared with ASCII letter case ignored and
// blanks around them dropped, as Windows' profile functions do.
#pragma once

#include <string>
#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

// The value of `key` in `section` of the INI text, blanks around it dropped
// and one pair of enclosing quotes (" or ') removed; the empty text when the
// section or key is missing. The first section of that name is searched, and
// the first key of that name in it counts.
Text IniValue(std::string_view ini, std::string_view section, std::string_view key);

// What becomes of the key's further lines when it is set: kept (readers never
// see them), or dropped from every section of that name, so that a file read
// by people or by other programs too (the update server's version file) holds
// the one value.
enum class IniRepeats { Keep, Drop };

// The INI text after setting `key` in `section` to `value`. Every other line
// is kept byte for byte. The key's line in the first section of that name is
// replaced (further lines of the same key are kept or dropped, as `repeats`
// says); a missing key goes after the section's last line that is not blank;
// a missing section is added at the end. New lines end in CR LF.
std::string WithIniValue(std::string_view ini, std::string_view section, std::string_view key, std::string_view value,
                         IniRepeats repeats = IniRepeats::Keep);

// The INI text without any line of `key` in a section of that name; every
// other line kept byte for byte.
std::string WithoutIniKey(std::string_view ini, std::string_view section, std::string_view key);

}  // namespace rt
