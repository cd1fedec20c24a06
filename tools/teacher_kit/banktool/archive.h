// The archive bank.zip that the update server offers: deflated entries whose
// names are stored as GBK bytes with the UTF-8 flag (bit 11) clear, the way
// zip programs on Chinese Windows write them, so that the program's unpacker
// reads them with code page 936. An exported question set's archive stores
// its names as UTF-8 with the flag set instead.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

struct ArchiveEntry {
  std::string name;       // GBK bytes, or UTF-8 with `utf8Name`
  fs::path source;        // the file whose bytes the entry holds
  bool utf8Name = false;  // the name is UTF-8, and marked so
};

// Writes a new archive at `zip` holding the entries in order, dated `time`.
// Sources are read in pieces, so a large bank never sits in memory whole.
bool WriteArchive(const fs::path& zip, const std::vector<ArchiveEntry>& entries, const std::tm& time,
                  std::string& error);

}  // namespace banktool
