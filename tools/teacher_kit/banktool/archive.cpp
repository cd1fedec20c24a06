#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

#include <zip.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "runtime/files/archive_names.h"
#include "runtime/files/file_system.h"
#include "runtime/files/zip_files.h"

namespace banktool {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// "Made by" MS-DOS (FAT attributes), zip format 2.0; the archive attribute.
constexpr uLong kVersionMadeBy = 20;
constexpr uLong kArchiveAttribute = 0x20;
constexpr int kMemoryLevel = 8;  // zlib's default

bool AddEntry(zipFile zip, const ArchiveEntry& entry, const zip_fileinfo& info, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> source(rt::OpenNativeFile(entry.source, "rb"));
  if (!source) {
    error = Say(Msg::ArchiveCannotReadSource, PathToUtf8(entry.source), ErrnoText(errno));
    return false;
  }
  std::error_code ec;
  const auto size = fs::file_size(entry.source, ec);
  const int zip64 = !ec && size >= 0xFFFFFFFFu ? 1 : 0;
  // Without bit 11 of the flags the name is in the local code page (GBK).
  const uLong flagBase = entry.utf8Name ? rt::kZipUtf8NameFlag : 0;
  if (zipOpenNewFileInZip4_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, kMemoryLevel, Z_DEFAULT_STRATEGY, nullptr, 0,
                              kVersionMadeBy, flagBase, zip64) != ZIP_OK) {
    error = Say(Msg::ArchiveCannotAdd);
    return false;
  }
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  size_t n;
  while ((n = std::fread(buffer.get(), 1, 1 << 16, source.get())) > 0) {
    if (zipWriteInFileInZip(zip, buffer.get(), static_cast<unsigned>(n)) != ZIP_OK) {
      error = Say(Msg::ArchiveCannotWrite);
      return false;
    }
  }
  if (std::ferror(source.get())) {
    error = Say(Msg::ArchiveCannotReadSource, PathToUtf8(entry.source), ErrnoText(errno));
    return false;
  }
  if (zipCloseFileInZip(zip) != ZIP_OK) {
    error = Say(Msg::ArchiveCannotWrite);
    return false;
  }
  return true;
}

}  // namespace

bool WriteArchive(const fs::path& path, const std::vector<ArchiveEntry>& entries, const std::tm& time,
                  std::string& error) {
  zipFile zip = rt::OpenArchiveForWriting(path);
  if (!zip) {
    error = Say(Msg::ArchiveCannotCreate, PathToUtf8(path));
    return false;
  }
  zip_fileinfo info{};
  info.tmz_date.tm_sec = time.tm_sec;
  info.tmz_date.tm_min = time.tm_min;
  info.tmz_date.tm_hour = time.tm_hour;
  info.tmz_date.tm_mday = time.tm_mday;
  info.tmz_date.tm_mon = time.tm_mon;
  info.tmz_date.tm_year = time.tm_year + 1900;
  info.external_fa = kArchiveAttribute;
  bool ok = true;
  for (const auto& entry : entries) {
    if (!AddEntry(zip, entry, info, error)) {
      ok = false;
      break;
    }
  }
  if (zipClose(zip, nullptr) != ZIP_OK && ok) {
    error = Say(Msg::ArchiveCannotFinish, PathToUtf8(path));
    ok = false;
  }
  return ok;
}

}  // namespace banktool
