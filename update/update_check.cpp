#include "update/update_check.h"

#include <string>

#include "http/fetch.h"
#include "program/control_ids.h"
#include "program/file_names.h"
#include "runtime/controls.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/places.h"
#include "update/download_limits.h"
#include "update/server_probe.h"
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
  const rt::Text server = rt::ProgramFile(kServerVersionFileName);
  if (!rt::WriteWholeFile(server, FetchServerFile(kServerVersionFile, kVersionFileLimit))) {
    rt::SetCaption(状态栏, kFolderNotWritable);
    return;
  }
  rt::SetCaption(状态栏, "升级信息下载完成！");
  const rt::Text local = rt::ProgramFile(kVersionFileName);
  if (VersionsDiffer(rt::ReadIniItem(local, kVersionSection, kBankVersionKey),
                     rt::ReadIniItem(server, kVersionSection, kBankVersionKey))) {
    rt::SetVisible(升级题库按钮, true);
  }
  if (VersionsDiffer(rt::ReadIniItem(local, kVersionSection, kProgramVersionKey),
                     rt::ReadIniItem(server, kVersionSection, kProgramVersionKey))) {
    rt::SetVisible(升级主程序按钮, true);
  }
  rt::SetCaption(服务器文本, ServerTextCaption(rt::ReadWholeFile(server).view()));
}
