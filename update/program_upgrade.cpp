#include "update/program_upgrade.h"

#include <string>

#include "program/control_ids.h"
#include "program/file_names.h"
#include "runtime/files/file_access.h"
#include "runtime/files/places.h"
#include "runtime/window/controls.h"
#include "update/archive_download.h"
#include "update/server_versions.h"
#include "update/upgrade_log.h"

using namespace program;

namespace {

constexpr const char* kLogStart = "开始下载最新主程序，请稍等……\r\n";
constexpr const char* kLogDone = "下载完成，请退出程序后解压缩，覆盖原程序即可\r\n";
constexpr const char* kDownloadFailed = "主程序下载失败，请稍后再试";
constexpr const char* kNotSaved = "下载的主程序无法保存为zentra.rar";
constexpr const char* kCutShort = "下载的主程序不完整（传输中断），没有保存";
constexpr const char* kNotAnArchive = "下载的文件不是主程序压缩包（可能是服务器的出错页），没有保存";
constexpr const char* kNotSigned = "下载的主程序签名不符，本次主程序升级没有进行，原有主程序保持不变";
constexpr const char* kBusy = "主程序正在下载中，请等待下载完成";

// A failed download leaves zentra.rar and the recorded version as they were;
// the log keeps its two lines, the second saying what went wrong.
void Fail(const char* reason) {
  AppendUpgradeLog(std::string(reason) + "\r\n");
  rt::SetCaption(状态栏, reason);
}

}  // namespace

void UpgradeMainProgram() {
  // A second press while the download waits (the window keeps working) is
  // refused: two downloads would write the same file.
  const ArchiveDownloadGuard guard(ArchiveKind::Program);
  if (!guard.owned()) {
    rt::SetCaption(状态栏, kBusy);
    return;
  }
  rt::SetCaption(升级过程, kLogStart);
  // Students unpack the archive over their program: one that is not whole,
  // not an archive or not signed by the school is not even saved.
  const ArchiveDownload download = DownloadArchive(ArchiveKind::Program);
  switch (download.outcome) {
    case ArchiveDownload::Outcome::Failed:
      return Fail(kDownloadFailed);
    case ArchiveDownload::Outcome::CutShort:
      return Fail(kCutShort);
    case ArchiveDownload::Outcome::NotAnArchive:
      return Fail(kNotAnArchive);
    case ArchiveDownload::Outcome::NotSigned:
      return Fail(kNotSigned);
    case ArchiveDownload::Outcome::Fetched:
      break;
  }
  if (!rt::WriteWholeFile(rt::ProgramFile(kProgramArchiveName), download.archive)) return Fail(kNotSaved);
  AppendUpgradeLog(kLogDone);
  RecordServerVersion(kProgramVersionKey);
}
