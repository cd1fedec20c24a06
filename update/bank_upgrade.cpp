#include "update/bank_upgrade.h"

#include <optional>
#include <string>

#include "program/control_ids.h"
#include "program/file_names.h"
#include "runtime/data/database.h"
#include "runtime/data/texts.h"
#include "runtime/files/file_access.h"
#include "runtime/files/file_system.h"
#include "runtime/files/places.h"
#include "runtime/files/staged_install.h"
#include "runtime/program.h"
#include "runtime/window/controls.h"
#include "runtime/window/dialogs.h"
#include "runtime/window/unpacker.h"
#include "update/archive_download.h"
#include "update/bank_archive_rules.h"
#include "update/server_probe.h"
#include "update/server_versions.h"
#include "update/upgrade_log.h"
#include "update/versions.h"

using namespace program;

namespace {

constexpr const char* kLogStart = "开始下载题库……，您可以继续使用本系统，更新完成将通知您\r\n";
constexpr const char* kLogDownloaded = "下载完成，准备开始更新，请注意暂停解题，更新完成后可以继续答题\r\n";
constexpr const char* kLogDone = "更新完成，您可以放心继续答题。\r\n";
constexpr const char* kStatusClosed = "由于升级题库需要，暂时关闭题库，待更新完成后重新打开";
constexpr const char* kStatusDone = "升级题库完成，您可以继续使用";

constexpr const char* kRepairNotice =
    "系统发现题库不存在，正在进行自我修复。可能的原因有：\r\n1、第一次使用本系统\r\n2、题库遭到不可预知的毁坏\r\n"
    "系统题库修复完成后将自行启动，请耐心等候……";
constexpr const char* kRepairNoticeTitle = "自我修复告示";
constexpr const char* kRepairImpossible = "连接服务器失败，无法进行自我修复，程序被结束。请稍后再试……";

// Why an install did not happen; the old bank is untouched in each case.
constexpr const char* kDownloadFailed = "题库下载失败";
constexpr const char* kCutShort = "下载的题库不完整（传输中断）";
constexpr const char* kNotSigned = "题库签名不符";
constexpr const char* kNotSaved = "下载的题库无法保存为bank.zip";
constexpr const char* kNotArchive = "下载的bank.zip不是有效的压缩包";
constexpr const char* kDamaged = "bank.zip中有文件无法解压";
constexpr const char* kTooManyMembers = "bank.zip中的文件超过64个";
constexpr const char* kSameNames = "bank.zip中有同名的文件";
constexpr const char* kNoStaging = "无法在程序目录中准备题库更新";
constexpr const char* kIncomplete = "bank.zip中缺少可用的题库或关键词文件";
constexpr const char* kNotReplaced = "原有题库文件无法替换";
constexpr const char* kKeptSuffix = "，本次题库升级没有进行，原有题库保持不变";
constexpr const char* kBusy = "题库正在更新中，请等待本次更新完成";

// The unpacker's progress lines: at most one per member of the at most 64
// of a bank archive (bank_archive_rules.h), each cut short, so that an
// archive of long names neither stalls the window, which copies the whole
// log for each line, nor fills it.
constexpr size_t kLongestLoggedName = 256;

// At most `limit` bytes of a GBK text, never half a character.
std::string_view CutGbk(std::string_view text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    const size_t width = rt::IsGbkLeadByte(static_cast<uint8_t>(text[end])) && end + 1 < text.size() ? 2 : 1;
    if (end + width > limit) break;
    end += width;
  }
  return text.substr(0, end);
}

// The log line and the status text of an install that did not happen.
void ReportNotInstalled(const char* reason) {
  const std::string text = std::string(reason) + kKeptSuffix;
  AppendUpgradeLog(text + "\r\n");
  rt::SetCaption(状态栏, text);
}

// The steps of the upgrade; the reason when the new bank was not installed.
std::optional<const char*> DownloadAndInstall() {
  rt::SetCaption(升级过程, kLogStart);
  // A download that did not give the school's bank whole writes, closes and
  // records nothing.
  const ArchiveDownload download = DownloadArchive(ArchiveKind::Bank);
  switch (download.outcome) {
    case ArchiveDownload::Outcome::Fetched:
      break;
    case ArchiveDownload::Outcome::CutShort:
      return kCutShort;
    case ArchiveDownload::Outcome::NotSigned:
      return kNotSigned;
    default:
      return kDownloadFailed;
  }
  const rt::ByteSet& archive = download.archive;
  const rt::Text archiveFile = rt::ProgramFile(kBankArchiveName);
  if (!rt::WriteWholeFile(archiveFile, archive)) return kNotSaved;
  AppendUpgradeLog(kLogDownloaded);

  // Unpacked beside the old bank, which stays open and untouched until the
  // new one is known to be good.
  const rt::fs::path folder = rt::NativePath(rt::ProgramFile(""));
  if (!rt::PrepareStagedInstall(folder)) return kNoStaging;
  const std::string staging(rt::ProgramFile(std::string(rt::kStagingFolder) + "\\" + rt::kNewFiles).view());
  const rt::UnpackReport unpacked = rt::Unpack(解压器, archiveFile, staging, BankArchiveLimits());
  std::optional<const char*> problem;
  if (!unpacked.opened) {
    problem = kNotArchive;
  } else if (unpacked.refusal == rt::ArchiveRefusal::TooManyMembers) {
    problem = kTooManyMembers;
  } else if (unpacked.refusal == rt::ArchiveRefusal::SameName) {
    problem = kSameNames;
  } else if (!unpacked.complete()) {
    problem = kDamaged;
  } else {
    const bool bankOpens = rt::DatabaseOpens(staging + "\\" + kQuestionBankName + rt::kDatabaseExtension);
    if (!bankOpens || !rt::IsFile(rt::NativePath(staging + "\\" + kKeywordFileName))) problem = kIncomplete;
  }
  if (problem) {
    rt::DiscardStagedInstall(folder);
    return problem;
  }

  rt::CloseDatabase();
  rt::SetCaption(状态栏, kStatusClosed);
  const bool replaced = rt::CommitStagedInstall(folder);
  rt::OpenDatabase(kQuestionBankName);
  if (!replaced) return kNotReplaced;
  rt::SetCaption(状态栏, kStatusDone);
  AppendUpgradeLog(kLogDone);
  RecordServerVersion(kBankVersionKey);
  return std::nullopt;
}

}  // namespace

void UpgradeBank() {
  const ArchiveDownloadGuard guard(ArchiveKind::Bank);
  if (!guard.owned()) {
    rt::SetCaption(状态栏, kBusy);
    return;
  }
  if (const auto reason = DownloadAndInstall()) ReportNotInstalled(*reason);
}

void SelfRepair() {
  const ArchiveDownloadGuard guard(ArchiveKind::Bank);
  if (!guard.owned()) {
    rt::SetCaption(状态栏, kBusy);
    return;
  }
  rt::ShowMessageBox(kRepairNotice, rt::kSystemModal, kRepairNoticeTitle);
  if (CurrentServerBaseUrl().empty()) ProbeServer();
  if (CurrentServerBaseUrl().empty()) {
    rt::ShowMessageBox(kRepairImpossible, 0);
    rt::EndProcess(0);
  }
  // A version file that fails its signature check offers no bank: the log
  // says why, the rest is said as for an archive that is not signed.
  const ServerVersions server = FetchServerVersions();
  std::optional<const char*> reason;
  if (server.outcome == ServerVersions::Outcome::Refused) {
    rt::SetCaption(升级过程, server.refusal + "\r\n");
    reason = kNotSigned;
  } else {
    reason = DownloadAndInstall();
  }
  if (reason) {
    ReportNotInstalled(*reason);
    rt::ShowMessageBox(std::string("自我修复没有完成：") + *reason + "。请稍后重新启动本程序再试……", 0);
  }
}

void LogUnpackProgress() {
  const rt::Text name = rt::UnpackerText(解压器);
  AppendUpgradeLog(std::string(CutGbk(name.view(), kLongestLoggedName)) + "\r\n");
}

void FinishEarlierBankInstall() { rt::FinishEarlierInstall(rt::NativePath(rt::ProgramFile(""))); }
