// The INI family: items of INI files such as the version file math.ini. Files
// are GBK text; section and key names are compared with ASCII letter case
// ignored and blanks around them dropped, as Windows' profile functions do.
#pragma once

#include <string>
#include <string_view>

#include "runtime/blocks.h"

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
std::string WithIniValue(std::string_view ini, std::string_view section, std::string_view key,
                         std::string_view value, IniRepeats repeats = IniRepeats::Keep);

// The INI text without any line of `key` in a section of that name; every
// other line kept byte for byte.
std::string WithoutIniKey(std::string_view ini, std::string_view section, std::string_view key);

// The item read from the file `file` (a GBK name); empty when the file, the
// section or the key is missing.
Text ReadIniItem(std::string_view file, std::string_view section, std::string_view key);

// Sets the item in the file, keeping the rest of it and making the file when
// it is missing. The file is replaced as a whole (a temporary beside it moved
// over it), so a power cut never leaves half a file. False when it cannot be
// written.
bool WriteIniItem(std::string_view file, std::string_view section, std::string_view key, std::string_view value);

}  // namespace rt
