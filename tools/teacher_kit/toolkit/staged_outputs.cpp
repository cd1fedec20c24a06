#include "tools/teacher_kit/toolkit/staged_outputs.h"
#include "tools/teacher_kit/toolkit/tool_problem.h"

#include "runtime/file_system.h"

namespace toolkit {
namespace {

// Removes a file of the run: a temporary, or the earlier target kept aside,
// which may be marked read-only. A folder found there goes only when empty.
void RemoveFile(const fs::path& path) {
  std::error_code ignored;
  if (!rt::IsFile(path) || !rt::RemoveTree(path)) fs::remove(path, ignored);
}

}  // namespace

StagedOutputs::~StagedOutputs() {
  if (committed_) return;
  for (const auto& output : outputs_) RemoveFile(output.temporary);
}

fs::path StagedOutputs::Beside(const fs::path& target, const char* suffix) const {
  fs::path name = target.filename();
  name += ".banktool-" + std::to_string(CurrentProcessId()) + suffix;
  return target.parent_path() / name;
}

fs::path StagedOutputs::Stage(const fs::path& target) {
  Output output;
  output.target = target;
  output.temporary = Beside(target, ".tmp");
  output.backup = Beside(target, ".old");
  outputs_.push_back(output);
  return output.temporary;
}

bool StagedOutputs::Commit(std::string& error) {
  // The old file steps aside first so that it can be put back.
  for (auto& output : outputs_) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(output.target, ec))) {
      std::string why;
      if (!mover_(output.target, output.backup, why)) {
        error = Say(Msg::CannotMoveAside, PathToUtf8(output.target), why);
        RollBack(error);
        return false;
      }
      output.backedUp = true;
    }
    std::string why;
    if (!mover_(output.temporary, output.target, why)) {
      error = Say(Msg::CannotPutInPlace, PathToUtf8(output.target), why);
      RollBack(error);
      return false;
    }
    output.placed = true;
  }
  committed_ = true;
  for (const auto& output : outputs_) {
    if (output.backedUp) RemoveFile(output.backup);
  }
  return true;
}

void StagedOutputs::RollBack(std::string& error) {
  for (auto output = outputs_.rbegin(); output != outputs_.rend(); ++output) {
    if (output->placed) {
      RemoveFile(output->target);
      output->placed = false;
    }
    if (output->backedUp) {
      std::string why;
      if (mover_(output->backup, output->target, why)) {
        output->backedUp = false;
      } else {
        error += Say(Msg::CannotPutBack, PathToUtf8(output->target.filename()), why, PathToUtf8(output->backup));
      }
    }
  }
}

}  // namespace toolkit
