#include "update/server_probe.h"

#include <mutex>
#include <string>
#include <vector>

#include "http/fetch.h"
#include "http/request_text.h"
#include "program/control_ids.h"
#include "program/file_names.h"
#include "program/global_slots.h"
#include "program/program_settings.h"
#include "runtime/files/places.h"
#include "runtime/window/controls.h"
#include "update/download_limits.h"

using namespace program;

namespace {

// How long the flag file may take through the school's proxy before the
// server is tried directly: a proxy that is not there (a laptop at home)
// costs this, not the full time-out, before the direct try.
constexpr int kProxyProbeSeconds = 20;

static_assert(program::kSystemProxy == kSystemProxyText, "the setting's word is the one the HTTP client knows");

std::mutex g_baseLock;
// The proxy the known server answered through (FetchUrl's proxy text), empty
// for a direct connection; set with ServerBaseUrl, under the same lock.
std::string g_serverProxy;

// The first server found wins; a probe that ends later changes nothing.
void PublishServerBaseUrl(const std::string& url, const std::string& proxy) {
  std::lock_guard<std::mutex> lock(g_baseLock);
  if (!Globals().ServerBaseUrl.empty()) return;
  Globals().ServerBaseUrl = rt::Text(url);
  g_serverProxy = proxy;
}

struct ServerRoute {
  rt::Text base;
  std::string proxy;
};

ServerRoute CurrentRoute() {
  std::lock_guard<std::mutex> lock(g_baseLock);
  return {Globals().ServerBaseUrl, g_serverProxy};
}

// The ways a server is asked, in order: the public server through the
// school's proxy when the program has one, then directly; the LAN server
// directly.
std::vector<std::string> Routes(const SettingSlot& setting) {
  std::vector<std::string> routes;
  if (setting.name == kPublicUpdateHostSetting.name) {
    if (std::string proxy = ConfiguredSetting(kUpdateProxySetting); !proxy.empty()) routes.push_back(proxy);
  }
  routes.emplace_back();
  return routes;
}

}  // namespace

rt::Text CurrentServerBaseUrl() {
  std::lock_guard<std::mutex> lock(g_baseLock);
  return Globals().ServerBaseUrl;
}

void ReleaseServerBaseUrl() {
  std::lock_guard<std::mutex> lock(g_baseLock);
  Globals().ServerBaseUrl.Free();
  std::string().swap(g_serverProxy);
}

rt::ByteSet FetchServerFile(std::string_view path, size_t limit) {
  // The plain time-out, no idle limit, no progress.
  return FetchServerArchive(path, {0, kDefaultTimeoutSeconds, limit}, {});
}

rt::ByteSet FetchServerArchive(std::string_view path, const ArchiveTransferLimits& limits,
                               const FetchProgress& progress) {
  const ServerRoute route = CurrentRoute();
  if (route.base.empty()) return rt::ByteSet();
  return FetchUrl(std::string(route.base.view()) + std::string(path), {}, route.proxy, {}, {}, limits.overallSeconds,
                  limits.maxBodyBytes, limits.idleSeconds, progress);
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
    for (const std::string& proxy : Routes(setting)) {
      const int seconds = proxy.empty() ? kDefaultTimeoutSeconds : kProxyProbeSeconds;
      const rt::ByteSet flag = FetchUrl(base + kServerFlagFile, {}, proxy, {}, {}, seconds, kFlagFileLimit);
      if (flag.size() == 1) {
        rt::SetCaption(状态栏, std::string("与服务器") + host + "通讯成功，正在下载升级信息");
        PublishServerBaseUrl(base, proxy);
        return;
      }
    }
  }
  rt::SetCaption(状态栏, "与服务器通讯失败！您可以使用本机题库进行练习");
}
