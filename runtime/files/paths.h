// Names of files in folders, as GBK texts. Touches no Windows interface.
#pragma once

#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

// The name of `name` inside `folder`: one backslash between them unless the
// folder already ends in a separator. A drive ("E:", the program folder of a
// program at the root of a USB stick) gets its backslash too, so the result
// names the root's file ("E:\bank-update"), not one relative to the drive's
// current folder ("E:bank-update"). An empty `name` gives the folder with its
// separator, which is the form a root folder must have to be used as a folder.
// The trail byte of a double-byte GBK character may be 0x5C, the code of the
// backslash; such a character is not taken for a separator.
Text JoinPath(std::string_view folder, std::string_view name);

}  // namespace rt
