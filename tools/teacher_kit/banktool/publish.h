// Publishing on the update server: a new question bank and/or a new main
// program put into the folder that server/serve.sh serves, with their versions
// in its version file, so that students' programs offer them.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "program/file_names.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

// The server folder's files, under its folder "zentra" (program/file_names.h).
inline constexpr std::string_view kServerSubfolder = program::kServerFolder;
inline constexpr std::string_view kProgramArchiveName = program::kProgramArchiveName;

struct PublishOptions {
  fs::path server;                            // the folder the update server serves
  std::optional<fs::path> bank;               // bank.zip, or a build's output folder holding it
  std::optional<std::string> bankVersion;     // UTF-8
  std::optional<fs::path> program;            // the main program's archive
  std::optional<std::string> programVersion;  // UTF-8
  std::optional<fs::path> key;                // the private key file that signs the archives (signing.h)
  // The update public key (file or digits) the program in `program` carries
  // when it is not the one of `key`: a change of key, a new program with the
  // new key published under the old one.
  std::optional<std::string> programPublicKey;
  // While a school changes its key: the private key file of the previous
  // pair, which students' programs not yet given the new program carry. It
  // signs the signed version file beside `key`, and the archives' own lines
  // in its place (only programs of that key read them).
  std::optional<fs::path> previousKey;
  // The release number (发布序号) of the signed version file, given outright
  // (release_number.h); without it the next one is chosen.
  std::optional<std::string> release;
  // Whether math.ini keeps each archive's own signature line (题库签名,
  // 主程序签名), which programs before the signed version file check. When
  // not, the lines go, and only programs that check that file can update.
  bool oldSignatures = true;
  // The PC's clock; the system's when not given.
  std::optional<std::time_t> now;
};

// Checks the bank archive (it must hold 填空题题库.db, an SQLite file, and
// 关键词.txt, under names the program reads, and nothing the program would
// refuse to unpack), the program archive (RAR, ZIP, 7z or a self-extracting
// program, as the students' programs take) and the versions, then copies the archives to
// zentra/bank.zip and zentra/zentra.rar and sets the versions in
// zentra/math.ini, all together or not at all. The archives go in place
// before the version file, so a program that reads the new versions finds the
// new files. With a key, each archive published gets its signature in
// zentra/math.ini (题库签名, 主程序签名); without, an archive published
// loses the signature of the one it replaces. The signature of an archive
// that stays is kept. With a key, the signed version file
// zentra/math-signed.ini (signed_publish.h) vouches for math.ini and the
// archives, with the next release number; it is written last. With nothing
// to publish but a key, math.ini is signed again as it is (after a notice was
// edited). With a key, a program archive that is a zip must hold
// tessaly.exe carrying the matching public key (or `programPublicKey`): one
// with another key or none is refused (program_archive.h). False with the
// reason in `error`; the folder is then unchanged. `notes` get what is worth
// knowing: an archive on the server left unsigned beside a signed one;
// `warnings` what could not be checked: the key of a program archive that
// the tool cannot read. `release` gets the signed version file's release
// number, 0 when there is none.
bool Publish(const PublishOptions& options, std::string& error, std::vector<std::string>* notes = nullptr,
             std::vector<std::string>* warnings = nullptr, uint64_t* release = nullptr);

// Why `zip` is no bank archive the program can install; empty when it is one.
// It is unpacked into the folder `scratch` (made, and removed again) by the
// program's own unpacker, which must write every member, refuse none, and
// leave 填空题题库.db, which must open as a question bank, and 关键词.txt.
std::string CheckBankArchive(const fs::path& zip, const fs::path& scratch);

}  // namespace banktool
