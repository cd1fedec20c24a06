// The server's version file zentra/math.ini as the program takes it. The
// update check and the self-repair fetch it into math.tmp. A program built
// with an update public key first checks it against the server's signed
// version file (update/signed_versions.h) and then uses only the bytes it
// checked, kept in memory for the rest of the run; it keeps the signed file
// it accepted last as 版本签名.ini in its folder, whose release number
// (发布序号) no later offer may go below, and whose presence means that the
// way of older servers (archives signed in math.ini alone) is over for it.
#pragma once

#include <string>

#include "runtime/data/blocks.h"
#include "update/signed_versions.h"

struct ServerVersions {
  enum class Outcome {
    Taken,        // math.tmp holds the server's file; its versions may be offered
    NotWritable,  // math.tmp could not be written: the program folder cannot be
    Refused,      // the file failed the check: math.tmp, and everything else, left as it was
  };
  Outcome outcome = Outcome::Refused;
  std::string versionFile;  // math.ini as it came (empty when the download failed)
  std::string refusal;      // why it was refused, for the upgrade log
};

// Fetches zentra/math.ini, and for a program with a key zentra/math-signed.ini
// too, and checks them; writes math.tmp (the body as it came, empty when the
// download failed) unless they are refused.
ServerVersions FetchServerVersions();

// An item of section 版本信息 of the server's version file as the program
// took it (a version, an archive's size or signature; program/file_names.h):
// the bytes checked against the signed version file, or math.tmp; empty when
// it has none.
rt::Text ServerVersionItem(const char* key);

// Records the server's version of this key (题库版本 or 主程序版本) in the
// program's own math.ini, once what it names is in place.
void RecordServerVersion(const char* key);

// Whether a download of the server's archive of this kind may be used. A
// program without a key takes any. One with a key takes an archive whose
// size and digest are the ones the accepted signed version file gives for
// its kind; with none accepted in this run, an archive signed in math.tmp
// (题库签名, 主程序签名) while the program has never accepted a signed
// version file, and nothing once it has.
bool DownloadedArchiveAccepted(const rt::ByteSet& archive, ArchiveKind kind);
