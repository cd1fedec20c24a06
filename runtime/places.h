// The places family: the program's directory and the registry.
#pragma once

#include <string_view>

#include "runtime/blocks.h"

namespace rt {

// The directory of the program's executable, without a trailing separator.
Text ProgramDirectory();

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

// A text value of the registry; the empty value name reads the key's default
// value. The empty text when the key or value is missing or not a text.
Text ReadRegistryText(RegistryRoot root, std::string_view key, std::string_view valueName);

}  // namespace rt
