// What a bank archive (bank.zip) may hold, for the program that installs it
// and for `banktool publish`, which refuses whatever the program would
// refuse: the unpacker's limits (at most 64 members), and the program
// folder's own files, which no member may replace — the program, its runtime
// library, the version files and the downloaded archives.
#pragma once

#include "runtime/files/unpack.h"

rt::UnpackLimits BankArchiveLimits();
