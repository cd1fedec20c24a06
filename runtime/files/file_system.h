// The file-system family beyond whole files: native paths for GBK names,
// files written to be durable, replacing moves, and opening zip archives. Built
// for both platforms, so that what is built on it (the INI family, the
// unpacker, the bank installation) can be tested without Windows.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace rt {

namespace fs = std::filesystem;

// The path a GBK name stands for: on Windows the name as UTF-16 (code page
// 936, whatever the machine's ANSI code page), elsewhere as UTF-8.
fs::path NativePath(std::string_view gbkName);

// std::fopen through the wide functions on Windows; null on failure.
std::FILE* OpenNativeFile(const fs::path& path, const char* mode);

// Hands the file's written bytes to the disk, then closes it; false when any
// of this failed (the file is closed either way).
bool SyncAndClose(std::FILE* file);

// Writes `bytes` to `path` so that a power cut leaves either the old file or
// the new one: a temporary beside it, synced, then moved over it.
bool WriteFileReplacing(const fs::path& path, std::string_view bytes);

// Renames `from` to `to`, replacing a file at `to` (one marked read-only too:
// the program's own files may come off a CD or from a careful teacher), and
// asks the system to have the change on disk before it returns. False on
// failure, with the system's error in `error` where one is given.
bool MoveReplacing(const fs::path& from, const fs::path& to);
bool MoveReplacing(const fs::path& from, const fs::path& to, std::error_code& error);

// Removes a file, or a folder with everything in it, read-only files included.
// True when nothing is left at `path`.
bool RemoveTree(const fs::path& path);

// True when a regular file (not a folder) is there.
bool IsFile(const fs::path& path);

#ifdef _WIN32
// Takes the read-only mark off a file or folder; true when it had one and has
// it no longer.
bool ClearReadOnly(const wchar_t* path);
#endif

}  // namespace rt
