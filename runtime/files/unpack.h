// Unpacking a zip archive into a folder (minizip over zlib): the work of the
// unpacker component, kept apart from the window so that it can be tested on
// its own.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/files/archive_names.h"
#include "runtime/files/file_system.h"

namespace rt {

// What an archive may hold. Bounds that keep a hostile archive from filling
// the disk or holding the window up: all members together at most 1 GiB
// unpacked, at most 64 members (checked before anything is written; a real
// question bank is a few tens of megabytes in two members, pictures aside).
// And the files of the target folder that no member may replace: their names
// (GBK, compared as FoldedName compares them) at the top of the target.
struct UnpackLimits {
  uint64_t totalBytes = uint64_t{1} << 30;
  size_t members = 64;
  std::span<const std::string_view> keptFiles = {};
};

enum class MemberOutcome {
  Written,  // the file (or folder) is in the target folder
  Refused,  // its name was refused (see CheckMemberName); nothing written
  Failed,   // it could not be read from the archive (damaged, encrypted,
            // over the limits) or written; anything half-written is removed
};

struct MemberReport {
  std::string name;  // the member's name as UTF-8, as it stands in the archive
  MemberOutcome outcome = MemberOutcome::Failed;
  MemberVerdict verdict = MemberVerdict::Accepted;  // why it was refused
};

// Why a whole archive was refused before any member was written.
enum class ArchiveRefusal {
  None,
  TooManyMembers,  // more than UnpackLimits::members
  SameName,        // two members name one file (FoldedName): which of them
                   // would end up on the disk is no one's choice
};

struct UnpackReport {
  bool opened = false;  // the file was read as a zip archive
  ArchiveRefusal refusal = ArchiveRefusal::None;
  int written = 0;
  int refused = 0;
  int failed = 0;
  bool complete() const { return opened && refusal == ArchiveRefusal::None && failed == 0; }
};

// Writes `size` bytes to the file; false when they could not all be written
// (a full disk). std::fwrite unless a test gives another.
using MemberWriter = std::function<bool(std::FILE* file, const char* bytes, size_t size)>;

// Unpacks every member of `archive` into `target` (made when missing), in the
// order of the archive, replacing files of the same name, and calls
// `onMember` once per member after dealing with it. Names are checked first:
// nothing is ever written outside `target`, nor over its kept files (such a
// member is refused as ProgramCode). An archive of more members than the
// limit, or with two members that name one file, is refused whole before
// anything is written (`refusal`); of the latter, `onMember` hears of the
// second of the two only (verdict SameName). Each file written is synced to
// disk before it counts as written; a member that cannot be written whole is
// removed and counts as failed.
UnpackReport UnpackArchive(const fs::path& archive, const fs::path& target,
                           const std::function<void(const MemberReport&)>& onMember, UnpackLimits limits = {},
                           const MemberWriter& writer = {});

}  // namespace rt
