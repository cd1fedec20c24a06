// The HTTP client's one entry point.
#pragma once

#include <string_view>

#include "runtime/blocks.h"

inline constexpr int kDefaultTimeoutSeconds = 90;
// The longest body a transfer takes unless the caller sets a lower limit:
// 512 MiB, far beyond any file the update server offers, so that a server
// sending without end cannot exhaust the program's memory.
inline constexpr size_t kLargestBodyBytes = size_t{512} << 20;

// Fetches the URL on a worker thread and returns the response body, whatever
// its status. While waiting, the calling thread's window events keep being
// handled at once and the CPU rests. The empty byte set when nothing came, the
// request failed or was refused (a method other than empty, "GET" or "POST"),
// the body was cut short, or `timeoutSeconds` passed first (0 or less: 90).
// Calls may overlap, on one thread or several: each has its own transfer.
// A body longer than `maxBodyBytes` is abandoned as soon as that is known (from
// its declared length, or as it arrives) and gives the empty byte set too.
rt::ByteSet FetchUrl(std::string_view url, std::string_view method = {}, std::string_view proxy = {},
                     std::string_view headers = {}, std::string_view postData = {},
                     int timeoutSeconds = kDefaultTimeoutSeconds, size_t maxBodyBytes = kLargestBodyBytes);
