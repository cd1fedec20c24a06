// The longest body each update download takes, and how long an archive's
// download may run. A server that sends more (a wrong file, an endless
// stream) is cut off and the download counts as failed, so it can never
// exhaust the program's memory. The archives' limit is generous: a real
// question bank is a few tens of megabytes.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr size_t kFlagFileLimit = 64;                       // the flag file holds one byte
inline constexpr size_t kVersionFileLimit = size_t{1} << 20;       // zentra/math.ini: 1 MiB
inline constexpr size_t kBankArchiveLimit = size_t{256} << 20;     // zentra/bank.zip: 256 MiB
inline constexpr size_t kProgramArchiveLimit = size_t{256} << 20;  // zentra/zentra.rar: 256 MiB

// An archive download is watched by what arrives, not by a fixed time: it
// ends after 90 seconds in which nothing arrived, so a 12 MB bank over a
// 100 kB/s link (two minutes) arrives whole, and a server that stops sending
// is given up as soon as today's limit would have given it up. A server that
// keeps a trickle going cannot hold it for ever: the whole download may take
// as long as its size at 4 kB/s (the slowest link that still finishes a bank
// in a school lesson or two) and 90 seconds more.
inline constexpr int kArchiveIdleSeconds = 90;
inline constexpr size_t kSlowestLinkBytesPerSecond = 4096;

struct ArchiveTransferLimits {
  int idleSeconds;      // no byte for this long ends the download
  int overallSeconds;   // the whole download ends after this long
  size_t maxBodyBytes;  // a longer body is cut off
};

// The limits of an archive's download, given the size the server's version
// file names for it (题库大小, 主程序大小) and the archive kind's own body
// limit. A named size (plain decimal digits, 1 to 19 of them, no leading zero)
// is the body limit too, never above the kind's; without one, the kind's
// limit stands in for the size.
ArchiveTransferLimits ArchiveDownloadLimits(std::string_view publishedSize, size_t kindLimit);
