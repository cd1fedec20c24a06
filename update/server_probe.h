// Finding the update server that answers: the public server first (through
// the school's proxy when the program has one, update-proxy, and directly
// when that fails), then the school's LAN server, directly (hosts set when
// the program is built, port 8001). Every later download from the server
// found goes the way its flag file came.
#pragma once

#include <cstddef>
#include <string_view>

#include "http/fetch.h"
#include "runtime/data/blocks.h"
#include "update/download_limits.h"

// Sets ServerBaseUrl to the first server whose flag file "主机运行标志.txt"
// holds exactly one byte, with the status texts on the way; no network at all
// when a server is already known.
void ProbeServer();

// ServerBaseUrl ("http://" host ":8001/"), empty while no server is known. It
// is set once and never changed, and read under the same lock, so that the
// update check's thread and the window's thread can probe at once: neither
// ever reads a text the other is replacing.
rt::Text CurrentServerBaseUrl();

// Frees ServerBaseUrl at process end (under the lock).
void ReleaseServerBaseUrl();

// Fetches a file of the known server ("zentra/bank.zip", program/file_names.h)
// with the default time-out; at most `limit` bytes. The empty byte set when
// no server is known or the download failed.
rt::ByteSet FetchServerFile(std::string_view path, size_t limit);

// Fetches an archive of the known server within `limits`, telling `progress`
// of the bytes as they arrive; the empty byte set as above.
rt::ByteSet FetchServerArchive(std::string_view path, const ArchiveTransferLimits& limits,
                               const FetchProgress& progress);
