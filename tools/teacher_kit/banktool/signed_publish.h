// The signed version file that `banktool publish --key` writes beside
// zentra/math.ini (update/signed_versions.h): math.ini's digest, each archive
// the server offers signed, and the next release number (release_number.h),
// signed with the school's key.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/signing.h"

namespace banktool {

struct SignedFileInputs {
  fs::path zentra;               // the server's folder zentra, as it is before this publish
  std::string_view versionFile;  // zentra/math.ini as this publish leaves it
  // The same with the archives' own signature lines, even when this publish
  // leaves them out: an archive that stays is signed anew when they sign it.
  std::string_view versionFileWithSignatures;
  std::optional<std::string_view> bank, program;  // the archives published now
  std::optional<std::string> release;             // --release
  std::time_t now = 0;                            // the PC's clock
  std::optional<std::time_t> folderTime;          // the server folder's clock (release_number.h)
};

struct SignedFile {
  std::string bytes;
  uint64_t release = 0;
};

// The signed version file for what the publish leaves on the server, signed
// with `key` and, while a school changes its key, with `previousKey` too. An
// archive published now is in it; one that stays is in it when the server's
// signed version file, or its own signature line, shows that one of these
// keys signed it; otherwise it is left out, with a note (programs that check
// the file refuse it). Nothing, with the reason in `error`, when the release
// number is refused or the server's signed version file cannot be read
// without a --release.
std::optional<SignedFile> MakeSignedVersionFile(const SigningKey& key, const SigningKey* previousKey,
                                                const SignedFileInputs& inputs, std::string& error,
                                                std::vector<std::string>& notes);

// Where the server keeps its signed version file: zentra/math-signed.ini.
fs::path SignedVersionFilePath(const fs::path& zentra);

}  // namespace banktool
