// The files one run writes, replaced all together or not at all, by the
// runtime's staged install (runtime/files/staged_install.h): each output is written
// into a staging folder of the run beside the targets, and Commit() puts them
// in place in the order they were staged, each earlier file set aside first.
// Should a move fail, the targets already replaced are put back as they were,
// so an existing bank is never left half-replaced; the staging folder goes
// when the object does, unless a put-back failed and it holds an earlier file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/files/staged_install.h"
#include "tools/teacher_kit/toolkit/tool_files.h"

namespace toolkit {

class StagedOutputs {
 public:
  using Mover = std::function<bool(const fs::path& from, const fs::path& to, std::string& error)>;

  explicit StagedOutputs(Mover mover = MoveReplacing) : mover_(std::move(mover)) {}
  StagedOutputs(const StagedOutputs&) = delete;
  StagedOutputs& operator=(const StagedOutputs&) = delete;
  ~StagedOutputs();

  // The file to write for `target`, in the staging folder
  // (".banktool-<pid>.staging" beside it). The targets of one run stand in
  // one folder, and go in place in the order they were staged.
  fs::path Stage(const fs::path& target);

  // Moves every staged file onto its target. On failure every target is as
  // it was before, and `error` says what failed.
  bool Commit(std::string& error);

 private:
  // The runtime's install of the staged files, in the order they were staged.
  rt::StagedInstall Install();
  // The runtime's mover, keeping the reason of a failed move.
  bool Move(const fs::path& from, const fs::path& to);

  Mover mover_;
  fs::path folder_;              // where the targets are
  fs::path root_;                // the staging folder; empty until the first Stage()
  std::vector<fs::path> order_;  // the targets' names, as staged
  bool committed_ = false, kept_ = false;
  // The first move that failed and why, then the first failed put-back.
  fs::path failedFrom_, failedTo_, backFrom_;
  std::string why_, backWhy_;
};

}  // namespace toolkit
