// The HTTP client's one entry point.
#pragma once

#include <string_view>

#include "runtime/blocks.h"

inline constexpr int kDefaultTimeoutSeconds = 90;

// Fetches the URL on a worker thread and returns the response body, whatever
// its status. While waiting, the calling thread's window events keep being
// handled at once and the CPU rests. The empty byte set when nothing came, the
// request failed or was refused (a method other than empty, "GET" or "POST"),
// the body was cut short, or `timeoutSeconds` passed first (0 or less: 90).
// Calls may overlap, on one thread or several: each has its own transfer.
rt::ByteSet FetchUrl(std::string_view url, std::string_view method = {}, std::string_view proxy = {},
                     std::string_view headers = {}, std::string_view postData = {},
                     int timeoutSeconds = kDefaultTimeoutSeconds);
