#include "http/request_text.h"

#include "runtime/data/texts.h"

namespace {

bool Contains(std::string_view text, std::string_view needle) {
  return rt::FindText(text, needle, 1, /*ignoreCase=*/true) != -1;
}

}  // namespace

RequestMethod MethodOf(std::string_view method) {
  if (method.empty() || method == "GET") return RequestMethod::Get;
  if (method == "POST") return RequestMethod::Post;
  return RequestMethod::Refused;
}

ProxyUse ProxyUseOf(std::string_view proxy) {
  if (proxy.find_first_not_of(' ') == std::string_view::npos) return ProxyUse::Direct;
  return proxy == kSystemProxyText ? ProxyUse::System : ProxyUse::Named;
}

void CompleteHeaderBlock(std::string& headers, std::string_view referer) {
  if (!Contains(headers, "Accept: ")) headers.append(kDefaultAccept);
  if (!Contains(headers, "Referer: ")) {
    headers.append("Referer: ");
    headers.append(referer);
    headers.append("\r\n");
  }
  if (!Contains(headers, "Accept-Language: ")) headers.append(kDefaultAcceptLanguage);
}

void AppendPostLines(std::string& headers, std::string_view postData) {
  if (postData.empty()) return;
  headers.append(kPostContentType);
  headers.append("Content-Length: ");
  headers.append(std::to_string(postData.size()));
  headers.append("\r\n");
}

std::string EncodeForRequest(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::optional<Cookie> CookieFromLine(std::string_view line) {
  if (line.size() < kCookieMarker.size() ||
      rt::CompareIgnoringCase(line.substr(0, kCookieMarker.size()), kCookieMarker) != 0) {
    return std::nullopt;
  }
  const std::string_view rest = line.substr(kCookieMarker.size());
  const size_t equals = rest.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  return Cookie{std::string(rest.substr(0, equals)), std::string(rest.substr(equals + 1))};
}

std::vector<Cookie> CookiesInRawHeaders(std::string_view rawHeaders) {
  std::vector<Cookie> cookies;
  if (!Contains(rawHeaders, kCookieMarker)) return cookies;
  size_t pos = 0;
  while (pos < rawHeaders.size()) {
    size_t end = rawHeaders.find("\r\n", pos);
    if (end == std::string_view::npos) end = rawHeaders.size();
    if (auto cookie = CookieFromLine(rawHeaders.substr(pos, end - pos))) cookies.push_back(std::move(*cookie));
    pos = end + 2;
  }
  return cookies;
}
