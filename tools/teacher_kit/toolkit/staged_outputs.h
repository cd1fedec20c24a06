// The files one run writes, replaced all together or not at all. Each output
// is first written to a temporary file beside its target; Commit() then moves
// every temporary into place. Should a move fail, the targets already
// replaced are put back as they were, so an existing bank is never left
// half-replaced. Temporaries that were not committed are removed when the
// object goes away.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/teacher_kit/toolkit/tool_files.h"

namespace toolkit {

class StagedOutputs {
 public:
  using Mover = std::function<bool(const fs::path& from, const fs::path& to, std::string& error)>;

  explicit StagedOutputs(Mover mover = MoveReplacing) : mover_(std::move(mover)) {}
  StagedOutputs(const StagedOutputs&) = delete;
  StagedOutputs& operator=(const StagedOutputs&) = delete;
  ~StagedOutputs();

  // The temporary file to write for `target` ("<target>.banktool-<pid>.tmp").
  fs::path Stage(const fs::path& target);

  // Moves every temporary onto its target. On failure every target is as it
  // was before, and `error` says what failed.
  bool Commit(std::string& error);

 private:
  struct Output {
    fs::path target, temporary, backup;
    bool backedUp = false, placed = false;
  };
  fs::path Beside(const fs::path& target, const char* suffix) const;
  void RollBack(std::string& error);

  Mover mover_;
  std::vector<Output> outputs_;
  bool committed_ = false;
};

}  // namespace toolkit
