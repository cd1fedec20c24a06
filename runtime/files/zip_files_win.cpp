#include "unzip.h"
#include "zip.h"
// After unzip.h and zip.h, which bring the zlib declarations it needs.
#include "iowin32.h"
#include "runtime/files/zip_files.h"

namespace rt {

// minizip's own file functions take ANSI names: these take the wide path.
void* OpenArchiveForReading(const std::filesystem::path& path) {
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return unzOpen2_64(path.c_str(), &functions);
}

void* OpenArchiveForWriting(const std::filesystem::path& path) {
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  return zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
}

}  // namespace rt
