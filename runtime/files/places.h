// The places family: the program's directory and the registry.
#pragma once

#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

// The directory of the program's executable, without a trailing separator
// ("E:" for a program at the root of drive E).
Text ProgramDirectory();

// The file `name` in the program's directory (JoinPath: right at a drive's
// root too). The program's own files are named this way, so that they are
// found whatever folder the program was started from.
Text ProgramFile(std::string_view name);

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

// Which registry view to read on 64-bit Windows: the program's own, or the
// other one (the 32-bit view of a 64-bit program), where 32-bit programs'
// registrations live.
enum class RegistryView { Own, Other };

// A text value of the registry; the empty value name reads the key's default
// value. The empty text when the key or value is missing or not a text.
Text ReadRegistryText(RegistryRoot root, std::string_view key, std::string_view valueName,
                      RegistryView view = RegistryView::Own);

// A file of the program's own for the user who runs it, where a standard
// account may always write: `name` in the folder "Tessaly" of the user's local
// application data folder (made when missing), or, when that cannot be had, in
// the user's temporary folder. The empty text when no such folder can be named
// in GBK.
Text PerUserFile(std::string_view name);

}  // namespace rt
