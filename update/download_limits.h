// The longest body each update download takes. A server that sends more (a
// wrong file, an endless stream) is cut off and the download counts as
// failed, so it can never exhaust the program's memory. The archives' limit
// is generous: a real question bank is a few tens of megabytes.
#pragma once

#include <cstddef>

inline constexpr size_t kFlagFileLimit = 64;                 // the flag file holds one byte
inline constexpr size_t kVersionFileLimit = size_t{1} << 20;  // zentra/math.ini: 1 MiB
inline constexpr size_t kBankArchiveLimit = size_t{256} << 20;     // zentra/bank.zip: 256 MiB
inline constexpr size_t kProgramArchiveLimit = size_t{256} << 20;  // zentra/zentra.rar: 256 MiB
