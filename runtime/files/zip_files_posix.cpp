#include "runtime/files/zip_files.h"

#include "unzip.h"
#include "zip.h"

namespace rt {

void* OpenArchiveForReading(const std::filesystem::path& path) { return unzOpen64(path.c_str()); }

void* OpenArchiveForWriting(const std::filesystem::path& path) { return zipOpen64(path.c_str(), APPEND_STATUS_CREATE); }

}  // namespace rt
