#include "update/bank_archive_rules.h"

#include <array>
#include <string_view>

#include "program/file_names.h"

using namespace program;

rt::UnpackLimits BankArchiveLimits() {
  // GBK, as this code's texts are; the unpacker compares them as it compares
  // member names, letter case aside.
  static constexpr std::array<std::string_view, 7> kProgramFolderFiles = {
      kProgramFileName, kRuntimeLibraryFileName, kVersionFileName,      kServerVersionFileName,
      kBankArchiveName, kProgramArchiveName,     kSignedVersionFileName};
  rt::UnpackLimits limits;
  limits.keptFiles = kProgramFolderFiles;
  return limits;
}
