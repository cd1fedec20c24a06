// Opening zip archives by native path, for the unpacker and the bank tool.
// A file of its own, so that a program that needs the file system but no
// archive (the configuration tool) carries no minizip.
#pragma once

#include <filesystem>

namespace rt {

// A minizip handle (unzFile) for reading the archive at `path`, or null.
void* OpenArchiveForReading(const std::filesystem::path& path);
// A minizip handle (zipFile) for a new archive at `path`, replacing a file
// there, or null.
void* OpenArchiveForWriting(const std::filesystem::path& path);

}  // namespace rt
