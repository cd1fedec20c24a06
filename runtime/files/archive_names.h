// Names of the members of a zip archive: how their bytes are read, and which
// names the unpacker refuses to write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

// The general-purpose flag bit saying that a member's name is UTF-8.
inline constexpr uint16_t kZipUtf8NameFlag = 0x0800;

// The member's name as UTF-8: its bytes as UTF-8 when the flag says so,
// otherwise as GBK (code page 936), the way zip programs on Chinese Windows
// write names. Bytes that are no character of that encoding become '?',
// which no file name may hold, so such a name is refused.
std::string DecodeMemberName(std::string_view raw, uint16_t flags);

enum class MemberVerdict {
  Accepted,
  Absolute,      // starts at a root: "/x", "\\x", "//server/share"
  DriveOrColon,  // a drive letter or any other ':' ("C:x", "a.txt:stream")
  ParentFolder,  // a ".." segment, with either slash
  ProgramCode,   // a file Windows would run or load: ending in .exe, .dll,
                 // .fnr, .fne, .scr, .com, .bat, .cmd, .lnk, .manifest or
                 // .config, in any letter case
  BadName,       // empty, a character no Windows name may hold, a segment
                 // ending in '.' or ' ' (Windows would drop them), a device
                 // name such as CON, "CON .txt", LPT1 or COM¹, or a short
                 // (8.3) name such as BANK-U~1
  SameName,      // not a verdict on the name alone: it names the same file as
                 // another member of the archive (FoldedName), which refuses
                 // the whole archive (see UnpackArchive)
};

struct MemberCheck {
  MemberVerdict verdict = MemberVerdict::BadName;
  // For an accepted name: the path inside the target folder, segments joined
  // by '/', "." and empty segments left out. Empty for a folder entry that
  // names only the target itself.
  std::string relative;
  bool folder = false;  // the name ends in a slash: a folder entry
};

// Checks a decoded (UTF-8) member name. Only an accepted name is written, and
// then strictly inside the target folder.
MemberCheck CheckMemberName(std::string_view utf8Name);

// A UTF-8 path as Windows tells file names apart: letters that differ only in
// case are one (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and the
// full-width Latin letters, which GBK names hold), so that two names with
// the same FoldedName are one file on a student's disk.
std::string FoldedName(std::string_view utf8Path);

}  // namespace rt
