#include "tools/teacher_kit/toolkit/staged_outputs.h"

#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace toolkit {

StagedOutputs::~StagedOutputs() {
  if (!root_.empty() && !committed_ && !kept_) Install().Discard();
}

rt::StagedInstall StagedOutputs::Install() {
  return rt::StagedInstall(
      folder_, [this](const fs::path& from, const fs::path& to) { return Move(from, to); },
      rt::StagingPlan{root_, order_});
}

bool StagedOutputs::Move(const fs::path& from, const fs::path& to) {
  std::string why;
  if (mover_(from, to, why)) return true;
  if (failedFrom_.empty()) {
    failedFrom_ = from;
    failedTo_ = to;
    why_ = why;
  } else if (backFrom_.empty()) {
    backFrom_ = from;
    backWhy_ = why;
  }
  return false;
}

fs::path StagedOutputs::Stage(const fs::path& target) {
  if (root_.empty()) {
    folder_ = target.parent_path();
    root_ = folder_ / PathFromUtf8(".banktool-" + std::to_string(CurrentProcessId()) + ".staging");
    Install().Prepare();  // a staging folder that cannot be made fails the first write into it
  }
  order_.push_back(target.filename());
  return Install().Staging() / target.filename();
}

bool StagedOutputs::Commit(std::string& error) {
  if (root_.empty() || Install().Commit()) return committed_ = true;
  if (failedFrom_.empty()) {  // the staging folder took no mark
    error = Say(Msg::CannotWrite, PathToUtf8(root_), Say(Msg::UnknownReason));
    return false;
  }
  // A target that was there is set aside first, then the new file moved in.
  const bool aside = failedFrom_.parent_path() == folder_;
  const fs::path target = aside ? failedFrom_ : failedTo_;
  error = Say(aside ? Msg::CannotMoveAside : Msg::CannotPutInPlace, PathToUtf8(target), why_);
  if (!backFrom_.empty()) {
    // What could not go back stays in the staging folder.
    kept_ = true;
    error += Say(Msg::CannotPutBack, PathToUtf8(target.filename()), backWhy_, PathToUtf8(root_));
  }
  return false;
}

}  // namespace toolkit
