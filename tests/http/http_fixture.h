// What the HTTP client's tests share: the servers' addresses, the request an
// echo returns, the nginx log, clocks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/blocks.h"

namespace httptest {

// nginx with the fixture tree; the scripted server; an address where nothing listens.
inline constexpr char kNginx[] = "http://127.0.0.1:8001";
inline constexpr char kScripted[] = "http://127.0.0.2:8002";
inline constexpr char kNobody[] = "http://127.0.0.3:8001";

inline std::string Str(const rt::ByteSet& body) { return std::string(body.view()); }

// Milliseconds since `start` (GetTickCount).
inline uint32_t Since(uint32_t start) { return GetTickCount() - start; }

// A request as the scripted server's echo returns it.
struct EchoedRequest {
  std::string requestLine;
  std::vector<std::string> headerLines;  // in the order received
  std::string body;
  // The value of the first header of this name (letter case ignored); empty when absent.
  std::string Header(const std::string& name) const;
  bool Has(const std::string& name) const;
};
EchoedRequest ParseEcho(const std::string& raw);

// The lines nginx has logged so far (fields separated by tabs).
std::vector<std::string> NginxLog();

}  // namespace httptest
