// The program archive a school publishes (zentra.rar), which students unpack
// over their program by hand: the update public key its tessaly.exe carries
// must be the one whose private key signs the updates. A program with
// another key refuses everything the school signs from then on, and one
// without a key checks nothing; either way only a program handed out anew
// would set it right.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

struct ProgramKeyCheck {
  std::string refusal;  // why the archive must not be published; empty when it may
  std::string warning;  // what could not be checked, when the archive cannot be read
};

// Checks each tessaly.exe (in any folder, any letter case) of the zip archive
// `archive` against `publicKey` (64 bytes X‖Y); `keySource` names where the
// key came from in messages. An archive that is no zip (RAR, 7z, a
// self-extracting program), a damaged or encrypted one, or one without a
// tessaly.exe gives a warning instead: the bank tool cannot tell.
ProgramKeyCheck CheckProgramKey(const fs::path& archive, std::string_view publicKey, std::string_view keySource);

}  // namespace banktool
