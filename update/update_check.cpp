#include "update/update_check.h"

#include <string>

#include "program/control_ids.h"
#include "program/file_names.h"
#include "runtime/files/ini_files.h"
#include "runtime/files/places.h"
#include "runtime/window/controls.h"
#include "update/server_probe.h"
#include "update/server_versions.h"
#include "update/upgrade_log.h"
#include "update/versions.h"

using namespace program;

namespace {
constexpr const char* kFolderNotWritable =
    "程序文件夹不能写入，无法检查升级。请把整个程序文件夹放到桌面或D盘等可以写入的地方";
}  // namespace

void CheckForUpdates() {
  ProbeServer();
  if (CurrentServerBaseUrl().empty()) return;
  // Written as it came: a failed download leaves an empty math.tmp, whose
  // versions read as empty. A program folder that cannot be written (one under
  // C:\Program Files, for a standard account) keeps an old math.tmp or none:
  // comparing with that would offer upgrades the server does not have.
  const ServerVersions server = FetchServerVersions();
  if (server.outcome == ServerVersions::Outcome::NotWritable) {
    rt::SetCaption(状态栏, kFolderNotWritable);
    return;
  }
  // A version file that failed its signature check offers nothing and shows
  // nothing: the about page keeps what it showed, and the log says why
  // (before the status line says the check is done).
  if (server.outcome == ServerVersions::Outcome::Refused) {
    AppendUpgradeLog(server.refusal + "\r\n");
    rt::SetCaption(状态栏, "升级信息下载完成！");
    return;
  }
  rt::SetCaption(状态栏, "升级信息下载完成！");
  const rt::Text local = rt::ProgramFile(kVersionFileName);
  if (VersionsDiffer(rt::ReadIniItem(local, kVersionSection, kBankVersionKey), ServerVersionItem(kBankVersionKey))) {
    rt::SetVisible(升级题库按钮, true);
  }
  if (VersionsDiffer(rt::ReadIniItem(local, kVersionSection, kProgramVersionKey),
                     ServerVersionItem(kProgramVersionKey))) {
    rt::SetVisible(升级主程序按钮, true);
  }
  rt::SetCaption(服务器文本, ServerTextCaption(server.versionFile));
}
