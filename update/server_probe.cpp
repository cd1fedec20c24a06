#include "update/server_probe.h"

#include <mutex>
#include <string>

#include "http/fetch.h"
#include "program/control_ids.h"
#include "program/file_names.h"
#include "program/global_slots.h"
#include "program/program_settings.h"
#include "runtime/controls.h"
#include "runtime/places.h"
#include "update/download_limits.h"

using namespace program;

namespace {

std::mutex g_baseLock;

// The first server found wins; a probe that ends later changes nothing.
void PublishServerBaseUrl(const std::string& url) {
  std::lock_guard<std::mutex> lock(g_baseLock);
  if (Globals().ServerBaseUrl.empty()) Globals().ServerBaseUrl = rt::Text(url);
}

}  // namespace

rt::Text CurrentServerBaseUrl() {
  std::lock_guard<std::mutex> lock(g_baseLock);
  return Globals().ServerBaseUrl;
}

void ReleaseServerBaseUrl() {
  std::lock_guard<std::mutex> lock(g_baseLock);
  Globals().ServerBaseUrl.Free();
}

rt::ByteSet FetchServerFile(std::string_view path, size_t limit) {
  const rt::Text base = CurrentServerBaseUrl();
  if (base.empty()) return rt::ByteSet();
  return FetchUrl(std::string(base.view()) + std::string(path), {}, {}, {}, {}, kDefaultTimeoutSeconds, limit);
}

void ProbeServer() {
  rt::SetCaption(状态栏, "正在与服务器通讯，请稍等……");
  if (!CurrentServerBaseUrl().empty()) return;
  // The hosts are the program image's settings, which a school may have
  // changed in the built program; a server without a host is not asked.
  for (const SettingSlot& setting : {kPublicUpdateHostSetting, kLanUpdateHostSetting}) {
    const std::string host = ConfiguredSetting(setting);
    if (host.empty()) continue;
    const std::string base = "http://" + host + ":8001/";
    const rt::ByteSet flag = FetchUrl(base + kServerFlagFile, {}, {}, {}, {}, kDefaultTimeoutSeconds, kFlagFileLimit);
    if (flag.size() == 1) {
      rt::SetCaption(状态栏, std::string("与服务器") + host + "通讯成功，正在下载升级信息");
      PublishServerBaseUrl(base);
      return;
    }
  }
  rt::SetCaption(状态栏, "与服务器通讯失败！您可以使用本机题库进行练习");
}
