// Unpacking a zip archive into a folder (minizip over zlib): the work of the
// unpacker component, kept apart from the window so that it can be tested on
// its own.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/archive_names.h"
#include "runtime/file_system.h"

namespace rt {

// Bounds that keep a hostile archive from filling the disk: all members
// together at most 1 GiB unpacked, at most 10,000 members. A real question
// bank is a few tens of megabytes in two members.
struct UnpackLimits {
  uint64_t totalBytes = uint64_t{1} << 30;
  size_t members = 10000;
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

struct UnpackReport {
  bool opened = false;  // the file was read as a zip archive
  int written = 0;
  int refused = 0;
  int failed = 0;
  bool complete() const { return opened && failed == 0; }
};

// Writes `size` bytes to the file; false when they could not all be written
// (a full disk). std::fwrite unless a test gives another.
using MemberWriter = std::function<bool(std::FILE* file, const char* bytes, size_t size)>;

// Unpacks every member of `archive` into `target` (made when missing), in the
// order of the archive, replacing files of the same name, and calls
// `onMember` once per member after dealing with it. Names are checked first:
// nothing is ever written outside `target`. Each file written is synced to
// disk before it counts as written; a member that cannot be written whole is
// removed and counts as failed.
UnpackReport UnpackArchive(const fs::path& archive, const fs::path& target,
                           const std::function<void(const MemberReport&)>& onMember, UnpackLimits limits = {},
                           const MemberWriter& writer = {});

}  // namespace rt
