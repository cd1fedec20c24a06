#include "runtime/staged_install.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "runtime/file_system.h"

namespace rt {
namespace {

fs::path Root(const fs::path& program) { return program / kStagingFolder; }

bool DefaultMove(const fs::path& from, const fs::path& to) { return MoveReplacing(from, to); }

// Moves, making the folder that is to hold `to` first.
bool MoveMaking(const Mover& mover, const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_directories(to.parent_path(), ec);
  return mover(from, to);
}

// The staged files, relative to `staged`, in a fixed order. A file under a
// folder named like the staging folder itself is left out: installed, it
// would land inside the staging folder.
std::vector<fs::path> StagedFiles(const fs::path& staged) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(staged, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    fs::path relative = fs::relative(it->path(), staged, ec);
    const std::u8string first = relative.begin()->u8string();
    if (std::equal(first.begin(), first.end(), std::string_view(kStagingFolder).begin(),
                   std::string_view(kStagingFolder).end(),
                   [](char8_t a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; })) {
      continue;
    }
    files.push_back(std::move(relative));
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool WriteMark(const fs::path& mark) {
  std::FILE* file = OpenNativeFile(mark, "wb");
  return file && SyncAndClose(file);
}

}  // namespace

EarlierInstall FinishEarlierInstall(const fs::path& program, const Mover& given) {
  const Mover mover = given ? given : Mover(DefaultMove);
  const fs::path root = Root(program);
  std::error_code ec;
  if (!fs::exists(root, ec)) return EarlierInstall::None;
  if (!fs::exists(root / kReadyMark, ec)) {
    RemoveTree(root);
    return EarlierInstall::Discarded;
  }
  // The mark is there: the staged files are the bank. Those still staged go in
  // place now; a file whose old version was already set aside has no
  // namesake left to move.
  for (const fs::path& file : StagedFiles(root / kNewFiles)) {
    const fs::path target = program / file;
    if (IsFile(target) && !MoveMaking(mover, target, root / kOldFiles / file)) return EarlierInstall::Stuck;
    if (!MoveMaking(mover, root / kNewFiles / file, target)) return EarlierInstall::Stuck;
  }
  fs::remove(root / kReadyMark, ec);
  RemoveTree(root);
  return EarlierInstall::Finished;
}

StagedInstall::StagedInstall(fs::path program, Mover mover)
    : program_(std::move(program)), mover_(mover ? std::move(mover) : Mover(DefaultMove)) {}

fs::path StagedInstall::Staging() const { return Root(program_) / kNewFiles; }

bool StagedInstall::Prepare() {
  if (FinishEarlierInstall(program_, mover_) == EarlierInstall::Stuck) return false;
  // Whatever is left of an earlier install goes, read-only files included
  // (the old bank set aside by the last install is one when the student's
  // bank was marked read-only).
  if (!RemoveTree(Root(program_))) return false;
  std::error_code ec;
  fs::create_directories(Staging(), ec);
  return !ec && fs::is_directory(Staging(), ec);
}

bool StagedInstall::Commit(std::vector<fs::path>* installed) {
  const fs::path root = Root(program_);
  const std::vector<fs::path> files = StagedFiles(Staging());
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

void StagedInstall::Discard() { RemoveTree(Root(program_)); }

EarlierInstall FinishEarlierInstall(const fs::path& folder) { return FinishEarlierInstall(folder, {}); }
bool PrepareStagedInstall(const fs::path& folder) { return StagedInstall(folder).Prepare(); }
bool CommitStagedInstall(const fs::path& folder) { return StagedInstall(folder).Commit(); }
void DiscardStagedInstall(const fs::path& folder) { StagedInstall(folder).Discard(); }

}  // namespace rt
