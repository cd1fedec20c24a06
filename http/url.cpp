#include "http/url.h"

#include <climits>
#include <cstdint>

#include "runtime/data/texts.h"

namespace {

constexpr std::string_view kScheme = "http://";
constexpr int kDefaultPort = 80;

bool HasScheme(std::string_view url) {
  return url.size() >= kScheme.size() && rt::CompareIgnoringCase(url.substr(0, kScheme.size()), kScheme) == 0;
}

// The host name, optionally followed by ":" and the port text.
std::string_view HostAndPort(std::string_view url) {
  const size_t from = HasScheme(url) ? kScheme.size() : 0;
  const int slash = rt::FindText(url, "/", static_cast<int>(from) + 1);
  const std::string_view rest = url.substr(from);
  return slash == -1 ? rest : rest.substr(0, static_cast<size_t>(slash - 1) - from);
}

}  // namespace

rt::Text UrlHost(std::string_view url) {
  const std::string_view part = HostAndPort(url);
  const int colon = rt::FindText(part, ":");
  return rt::ToLowerText(colon == -1 ? part : part.substr(0, static_cast<size_t>(colon - 1)));
}

int UrlPort(std::string_view url) {
  const std::string_view part = HostAndPort(url);
  const int colon = rt::FindText(part, ":");
  if (colon == -1) return kDefaultPort;
  const std::string_view text = part.substr(static_cast<size_t>(colon));
  if (text.empty()) return kDefaultPort;
  int64_t port = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
    if (port > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(port);
}

rt::Text UrlObjectPath(std::string_view url) {
  const rt::Text host = UrlHost(url);
  // The host is looked for behind the scheme: a host such as "p" or "t" also
  // occurs inside "http://", and the path must not start there.
  const int from = HasScheme(url) ? static_cast<int>(kScheme.size()) + 1 : 1;
  const int at = rt::FindText(url, host, from, /*ignoreCase=*/true);
  const int slash = rt::FindText(url, "/", at == -1 ? from : at);
  if (slash == -1) return rt::Text("/");
  return rt::Text(url.substr(static_cast<size_t>(slash - 1)));
}
