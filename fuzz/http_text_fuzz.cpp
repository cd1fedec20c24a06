// libFuzzer target: the texts of the HTTP client: URL splitting, the request's
// encoding of a URL, and a response's raw header block, which the server (or
// anyone on the way) writes. Besides no crash and no undefined behaviour: the
// encoded text is plain printable ASCII, the object path begins with "/", and
// every cookie comes from a Set-Cookie line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "http/request_text.h"
#include "http/url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  UrlHost(text);
  UrlPort(text);
  const rt::Text path = UrlObjectPath(text);
  if (path.view().empty() || path.view().front() != '/') __builtin_trap();
  for (const char c : EncodeForRequest(text)) {
    if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) __builtin_trap();
  }
  for (const Cookie& cookie : CookiesInRawHeaders(text)) {
    if (cookie.name.find("\r\n") != std::string::npos || cookie.data.find("\r\n") != std::string::npos) {
      __builtin_trap();
    }
  }
  std::string headers(text);
  CompleteHeaderBlock(headers, "http://127.0.0.1:8001/");
  return 0;
}
