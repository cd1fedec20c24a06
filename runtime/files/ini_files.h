// The INI family's items in files: read from a GBK-named file, and set in it
// with the rest of the file kept (the texts themselves: runtime/data/ini.h).
#pragma once

#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

// The item read from the file `file` (a GBK name); empty when the file, the
// section or the key is missing.
Text ReadIniItem(std::string_view file, std::string_view section, std::string_view key);

// Sets the item in the file, keeping the rest of it and making the file when
// it is missing. The file is replaced as a whole (a temporary beside it moved
// over it), so a power cut never leaves half a file. False when it cannot be
// written.
bool WriteIniItem(std::string_view file, std::string_view section, std::string_view key, std::string_view value);

}  // namespace rt
