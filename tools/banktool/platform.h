// What the bank tool needs from the operating system, with one implementation
// for Linux (platform_posix.cpp) and one for Windows (platform_win.cpp).
// Paths are std::filesystem paths; on Windows they hold UTF-16 and every file
// is opened through the wide functions, so any file name works whatever the
// machine's ANSI code page is.
#pragma once

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace banktool {

namespace fs = std::filesystem;

// Paths from and to the UTF-8 the tool works in.
fs::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const fs::path& path);

// std::fopen through the wide functions on Windows; null with errno set.
std::FILE* OpenFile(const fs::path& path, const char* mode);

// The whole file; false with the system's reason in `error`.
bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error);
// Creates or truncates the file and writes `bytes`; false with the reason.
bool WriteFileBytes(const fs::path& path, std::string_view bytes, std::string& error);

// Renames `from` to `to`, replacing a file at `to` (rename(); on Windows
// MoveFileExW with MOVEFILE_REPLACE_EXISTING). False with the reason.
bool MoveReplacing(const fs::path& from, const fs::path& to, std::string& error);

// A minizip handle (zipFile) for a new archive at `path`, or null.
void* OpenZipForWriting(const fs::path& path);
// A minizip handle (unzFile) for reading the archive at `path`, or null.
void* OpenZipForReading(const fs::path& path);

// The system's text for an errno value, as UTF-8.
std::string ErrnoText(int code);

unsigned long CurrentProcessId();
std::tm LocalTimeNow();

}  // namespace banktool
