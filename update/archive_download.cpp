#include "update/archive_download.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>

#include "program/control_ids.h"
#include "program/file_names.h"
#include "runtime/program.h"
#include "runtime/window/controls.h"
#include "update/download_limits.h"
#include "update/server_probe.h"
#include "update/server_versions.h"
#include "update/versions.h"

using namespace program;

namespace {

// How long the progress leaves a text the window wrote on the status line
// during a download before it shows again.
constexpr uint32_t kOtherTextsKeptMs = 10000;

std::atomic<bool> g_running[2];

std::atomic<bool>& Running(ArchiveKind kind) { return g_running[kind == ArchiveKind::Bank ? 0 : 1]; }

struct KindFacts {
  const char* path;     // on the server
  const char* sizeKey;  // its size in the version file
  size_t limit;
  const char* what;  // as the progress text names it
};

KindFacts FactsOf(ArchiveKind kind) {
  if (kind == ArchiveKind::Bank) return {kServerBankArchive, kBankSizeKey, kBankArchiveLimit, "题库"};
  return {kServerProgramArchive, kProgramSizeKey, kProgramArchiveLimit, "主程序"};
}

// "正在下载题库…… 45%", or the kilobytes so far when no size is named.
std::string ProgressText(const char* what, size_t received, size_t size, bool sizeNamed) {
  char amount[32];
  if (sizeNamed && size > 0) {
    std::snprintf(amount, sizeof amount, "%u%%",
                  static_cast<unsigned>(std::min<uint64_t>(received, size) * 100 / size));
  } else {
    std::snprintf(amount, sizeof amount, "%lluKB", static_cast<unsigned long long>(received / 1024));
  }
  return std::string("正在下载") + what + "…… " + amount;
}

}  // namespace

ArchiveDownloadGuard::ArchiveDownloadGuard(ArchiveKind kind) : kind_(kind), owned_(!Running(kind).exchange(true)) {}

ArchiveDownloadGuard::~ArchiveDownloadGuard() {
  if (owned_) Running(kind_) = false;
}

ArchiveDownload DownloadArchive(ArchiveKind kind) {
  const KindFacts facts = FactsOf(kind);
  const rt::Text namedSize = ServerVersionItem(facts.sizeKey);
  const bool sizeNamed = ParseWholeNumber(namedSize.view()).has_value();
  const ArchiveTransferLimits limits = ArchiveDownloadLimits(namedSize.view(), facts.limit);

  const rt::Text before = rt::GetCaption(状态栏);
  // What the status line should show for the progress to take its place: at
  // first what it showed when the download began, then the last progress.
  std::string shown(before.view());
  // When another text was first seen in place of the progress.
  std::optional<uint32_t> othersSince;
  ArchiveDownload result;
  result.archive = FetchServerArchive(facts.path, limits, [&](size_t received) {
    std::string text = ProgressText(facts.what, received, limits.maxBodyBytes, sizeNamed);
    if (text == shown) return;
    // The student works on meanwhile: a text the window wrote (the paper
    // composed, the question moved to) is left to be read for a while.
    const uint32_t now = rt::TickCount();
    if (rt::GetCaption(状态栏).view() != shown) {
      if (!othersSince) othersSince = now;
      if (now - *othersSince < kOtherTextsKeptMs) return;
    }
    othersSince.reset();
    rt::SetCaption(状态栏, text);
    shown = std::move(text);
  });
  // Unless something else has written the status line meanwhile.
  if (rt::GetCaption(状态栏).view() == shown) rt::SetCaption(状态栏, before.view());

  using Outcome = ArchiveDownload::Outcome;
  // An empty body is a failed download (no server, nothing arriving, a body
  // cut short or too long).
  if (result.archive.empty()) {
    result.outcome = Outcome::Failed;
  } else if (!SizeMatches(namedSize.view(), result.archive.size())) {
    result.outcome = Outcome::CutShort;
  } else if (kind == ArchiveKind::Program && !LooksLikeProgramArchive(result.archive.view())) {
    result.outcome = Outcome::NotAnArchive;
  } else if (!DownloadedArchiveAccepted(result.archive, kind)) {
    // Checked before anything is written: an archive the school did not sign
    // for this kind (anyone on the network path may answer for the server)
    // never reaches the program folder.
    result.outcome = Outcome::NotSigned;
  } else {
    result.outcome = Outcome::Fetched;
    return result;
  }
  result.archive = rt::ByteSet();
  return result;
}
