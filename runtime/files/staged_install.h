// The staged install: putting a set of new files (a new question bank) in
// place in a folder so that a crash or power cut at any moment leaves the old
// set or the new one, never a mix and never nothing.
//
// The new files are unpacked into a staging folder inside the program folder
// ("bank-update\new"); nothing there counts until the program has checked that
// the new bank opens and its keyword file is there. Then a mark file
// ("bank-update\ready") is written: from that moment the new files are the
// bank. Each staged file replaces its namesake by renames (the old file kept in
// "bank-update\old" until the end), then the mark and the staging folder go.
//
// Should the program end in the middle, the next start calls
// FinishEarlierInstall: with the mark there, it completes the renames (the new
// bank); without it, it throws the staging folder away (the old bank, which
// nothing has touched). Built on the file-system family alone, so it is
// tested natively. The program uses it through the four services at the end.
//
// The teacher's tools put their outputs in place by the same engine (a bank
// with its keyword file and bank.zip, the files of a publish): they choose a
// staging folder of their own beside the outputs and the order the files go
// in place, for example the archives before the version file that names them.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "runtime/files/file_system.h"

namespace rt {

// Folder and file names inside the program folder.
inline constexpr const char* kStagingFolder = "bank-update";
inline constexpr const char* kNewFiles = "new";
inline constexpr const char* kOldFiles = "old";
inline constexpr const char* kReadyMark = "ready";

// Renames `from` to `to`, replacing a file there; false on failure.
using Mover = std::function<bool(const fs::path& from, const fs::path& to)>;

// Where an install keeps its staged files and in what order they go in place.
struct StagingPlan {
  // The staging folder, on the program folder's disk; empty for the program's
  // own, <program>/bank-update. It holds new/, old/ and the mark.
  fs::path folder;
  // Staged files (relative paths) put in place first, in this order; the
  // others follow in the order of their names.
  std::vector<fs::path> first;
};

enum class EarlierInstall {
  None,       // no staging folder: nothing was interrupted
  Discarded,  // an install interrupted before its mark: thrown away
  Finished,   // an install interrupted after its mark: completed
  Stuck,      // a file could not be moved; everything is left for next time
};

// Deals with what an interrupted install left in `program`.
EarlierInstall FinishEarlierInstall(const fs::path& program, const Mover& mover);

class StagedInstall {
 public:
  explicit StagedInstall(fs::path program, Mover mover = {}, StagingPlan plan = {});

  // The folder the archive is unpacked into.
  fs::path Staging() const;

  // Deals with an earlier install first, then makes an empty staging folder.
  // False when that cannot be done.
  bool Prepare();

  // Moves every staged file over the program folder's file of the same name
  // (subfolders included; other files of the program folder stay). On a
  // failed move every file already moved is put back and false is returned:
  // the old files are in place again. Either way the staging folder is gone
  // afterwards. `installed` lists the files put in place (relative paths).
  bool Commit(std::vector<fs::path>* installed = nullptr);

  // Throws the staging folder away.
  void Discard();

 private:
  fs::path program_;
  Mover mover_;
  fs::path root_;  // the staging folder
  std::vector<fs::path> first_;
};

// The staged install of the files in `folder` (the program folder), as the
// program uses it: Prepare, then unpack into the staging folder, then Commit
// or Discard; FinishEarlierInstall at start.
EarlierInstall FinishEarlierInstall(const fs::path& folder);
bool PrepareStagedInstall(const fs::path& folder);
bool CommitStagedInstall(const fs::path& folder);
void DiscardStagedInstall(const fs::path& folder);

}  // namespace rt
