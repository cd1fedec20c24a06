// The HTTP client's one entry point.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include "runtime/data/blocks.h"

inline constexpr int kDefaultTimeoutSeconds = 90;
// The longest body a transfer takes unless the caller sets a lower limit:
// 512 MiB, far beyond any file the update server offers, so that a server
// sending without end cannot exhaust the program's memory.
inline constexpr size_t kLargestBodyBytes = size_t{512} << 20;

// Told, on the calling thread while it waits, how many bytes of the body have
// arrived so far (each time more have, at most every quarter second).
using FetchProgress = std::function<void(size_t received)>;

// Fetches the URL on a worker thread and returns the response body, whatever
// its status. While waiting, the calling thread's window events keep being
// handled at once and the CPU rests. The empty byte set when nothing came, the
// request failed or was refused (a method other than empty, "GET" or "POST"),
// the body was cut short, or `timeoutSeconds` passed first (0 or less: 90).
// Calls may overlap, on one thread or several: each has its own transfer.
// A body longer than `maxBodyBytes` is abandoned as soon as that is known (from
// its declared length, or as it arrives) and gives the empty byte set too.
//
// `proxy`: empty or blanks for a direct connection, "system" for the PC's own
// proxy settings (Internet Options), anything else the proxy's HOST[:PORT].
//
// `idleSeconds` greater than 0 watches a long download by what arrives rather
// than by its length alone: the transfer also ends without a result once that
// many seconds pass in which no block of the body (512 bytes, or its last
// piece) arrived, counted from the start; `timeoutSeconds` is then the overall
// limit that a server trickling bytes cannot outlast. 0: the time-out alone.
rt::ByteSet FetchUrl(std::string_view url, std::string_view method = {}, std::string_view proxy = {},
                     std::string_view headers = {}, std::string_view postData = {},
                     int timeoutSeconds = kDefaultTimeoutSeconds, size_t maxBodyBytes = kLargestBodyBytes,
                     int idleSeconds = 0, const FetchProgress& progress = {});
