#include "runtime/files/staged_install.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "runtime/files/file_system.h"

namespace rt {
namespace {

bool DefaultMove(const fs::path& from, const fs::path& to) { return MoveReplacing(from, to); }

// Moves, making the folder that is to hold `to` first.
bool MoveMaking(const Mover& mover, const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  return mover(from, to);
}

// The staged files, relative to `staged`, in a fixed order: those of `first`
// in its order, then the others by name. A file under a folder named like
// the staging folder `root` itself is left out: installed, it could land
// inside the staging folder.
std::vector<fs::path> StagedFiles(const fs::path& root, const fs::path& staged, const std::vector<fs::path>& first) {
  const std::u8string rootName = root.filename().u8string();
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(staged, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    fs::path relative = fs::relative(it->path(), staged, ec);
    const std::u8string top = relative.begin()->u8string();
    if (!rootName.empty() &&
        std::equal(top.begin(), top.end(), rootName.begin(), rootName.end(), [](char8_t a, char8_t b) {
          return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        })) {
      continue;
    }
    files.push_back(std::move(relative));
  }
  std::sort(files.begin(), files.end());
  const auto rank = [&](const fs::path& file) {
    return static_cast<size_t>(std::find(first.begin(), first.end(), file) - first.begin());
  };
  std::stable_sort(files.begin(), files.end(), [&](const fs::path& a, const fs::path& b) { return rank(a) < rank(b); });
  return files;
}

bool WriteMark(const fs::path& mark) {
  std::FILE* file = OpenNativeFile(mark, "wb");
  return file && SyncAndClose(file);
}

// Deals with what an interrupted install with the staging folder `root` left.
EarlierInstall FinishEarlier(const fs::path& program, const fs::path& root, const Mover& mover,
                             const std::vector<fs::path>& first) {
  std::error_code ec;
  if (!fs::exists(root, ec)) return EarlierInstall::None;
  if (!fs::exists(root / kReadyMark, ec)) {
    RemoveTree(root);
    return EarlierInstall::Discarded;
  }
  // The mark is there: the staged files are the bank. Those still staged go in
  // place now; a file whose old version was already set aside has no
  // namesake left to move.
  for (const fs::path& file : StagedFiles(root, root / kNewFiles, first)) {
    const fs::path target = program / file;
    if (IsFile(target) && !MoveMaking(mover, target, root / kOldFiles / file)) return EarlierInstall::Stuck;
    if (!MoveMaking(mover, root / kNewFiles / file, target)) return EarlierInstall::Stuck;
  }
  fs::remove(root / kReadyMark, ec);
  RemoveTree(root);
  return EarlierInstall::Finished;
}

}  // namespace

EarlierInstall FinishEarlierInstall(const fs::path& program, const Mover& given) {
  return FinishEarlier(program, program / kStagingFolder, given ? given : Mover(DefaultMove), {});
}

StagedInstall::StagedInstall(fs::path program, Mover mover, StagingPlan plan)
    : program_(std::move(program)),
      mover_(mover ? std::move(mover) : Mover(DefaultMove)),
      root_(plan.folder.empty() ? program_ / kStagingFolder : std::move(plan.folder)),
      first_(std::move(plan.first)) {}

fs::path StagedInstall::Staging() const { return root_ / kNewFiles; }

bool StagedInstall::Prepare() {
  if (FinishEarlier(program_, root_, mover_, first_) == EarlierInstall::Stuck) return false;
  // Whatever is left of an earlier install goes, read-only files included
  // (the old bank set aside by the last install is one when the student's
  // bank was marked read-only).
  if (!RemoveTree(root_)) return false;
  std::error_code ec;
  fs::create_directories(Staging(), ec);
  return !ec && fs::is_directory(Staging(), ec);
}

bool StagedInstall::Commit(std::vector<fs::path>* installed) {
  const fs::path& root = root_;
  const std::vector<fs::path> files = StagedFiles(root_, Staging(), first_);
  if (!WriteMark(root / kReadyMark)) {
    Discard();
    return false;
  }
  // What has been done to each file so far, to undo it should a move fail.
  struct Step {
    fs::path file;
    bool setAside = false;  // the old file is in old/
    bool placed = false;    // the new file is in place
  };
  std::vector<Step> steps;
  bool ok = true;
  for (const fs::path& file : files) {
    Step& step = steps.emplace_back(Step{file});
    const fs::path target = program_ / file;
    if (IsFile(target)) {
      if (!MoveMaking(mover_, target, root / kOldFiles / file)) {
        ok = false;
        break;
      }
      step.setAside = true;
    }
    if (!MoveMaking(mover_, Staging() / file, target)) {
      ok = false;
      break;
    }
    step.placed = true;
  }
  std::error_code ec;
  if (!ok) {
    // Undo in reverse order. The mark stays meanwhile: should the program end
    // during the undo, the next start completes the install instead, and a
    // bank that was checked is in place either way.
    bool undone = true;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
      const fs::path target = program_ / it->file;
      if (it->placed && !MoveMaking(mover_, target, Staging() / it->file)) {
        undone = false;
        break;
      }
      if (it->setAside && !MoveMaking(mover_, root / kOldFiles / it->file, target)) {
        undone = false;
        break;
      }
    }
    // An undo that failed as well keeps everything, mark included, for the
    // next start to complete; nothing set aside is thrown away.
    if (!undone) return false;
  }
  if (ok && installed) *installed = files;
  fs::remove(root / kReadyMark, ec);
  Discard();
  return ok;
}

void StagedInstall::Discard() { RemoveTree(root_); }

EarlierInstall FinishEarlierInstall(const fs::path& folder) { return FinishEarlierInstall(folder, {}); }
bool PrepareStagedInstall(const fs::path& folder) { return StagedInstall(folder).Prepare(); }
bool CommitStagedInstall(const fs::path& folder) { return StagedInstall(folder).Commit(); }
void DiscardStagedInstall(const fs::path& folder) { StagedInstall(folder).Discard(); }

}  // namespace rt
