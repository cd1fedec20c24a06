#include "runtime/unpack.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "unzip.h"

namespace rt {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kLongestName = 4096;

struct ArchiveCloser {
  void operator()(void* zip) const { unzClose(static_cast<unzFile>(zip)); }
};

// Writes the current member to `path`; false when it could not be read whole
// (damaged, encrypted, past `budget`) or written. Uses up `budget`.
bool WriteMember(unzFile zip, const fs::path& path, uint64_t& budget, const MemberWriter& writer) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  std::FILE* out = OpenNativeFile(path, "wb");
  bool ok = out != nullptr;
  std::vector<char> buffer(kChunk);
  while (ok) {
    const int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
    if (n == 0) break;
    if (n < 0 || static_cast<uint64_t>(n) > budget) {
      ok = false;
      break;
    }
    budget -= static_cast<uint64_t>(n);
    ok = writer(out, buffer.data(), static_cast<size_t>(n));
  }
  // Closing checks the CRC of what was read.
  const bool crcOk = unzCloseCurrentFile(zip) == UNZ_OK;
  if (out) ok = SyncAndClose(out) && ok;
  ok = ok && crcOk;
  if (!ok) {
    std::error_code ec;
    fs::remove(path, ec);
  }
  return ok;
}

}  // namespace

UnpackReport UnpackArchive(const fs::path& archive, const fs::path& target,
                           const std::function<void(const MemberReport&)>& onMember, UnpackLimits limits,
                           const MemberWriter& given) {
  const MemberWriter writer = given ? given : MemberWriter([](std::FILE* file, const char* bytes, size_t size) {
    return std::fwrite(bytes, 1, size, file) == size;
  });
  UnpackReport report;
  std::unique_ptr<void, ArchiveCloser> zip(OpenArchiveForReading(archive));
  if (!zip) return report;
  report.opened = true;
  std::error_code ec;
  fs::create_directories(target, ec);

  uint64_t budget = limits.totalBytes;
  size_t members = 0;
  int step = unzGoToFirstFile(zip.get());
  for (; step == UNZ_OK; step = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    std::vector<char> rawName(kLongestName + 1, '\0');
    MemberReport member;
    if (unzGetCurrentFileInfo64(zip.get(), &info, rawName.data(), kLongestName, nullptr, 0, nullptr, 0) != UNZ_OK) {
      ++report.failed;
      onMember(member);
      return report;
    }
    const size_t nameLength = std::min<size_t>(info.size_filename, kLongestName);
    member.name = DecodeMemberName(std::string_view(rawName.data(), nameLength), static_cast<uint16_t>(info.flag));
    if (++members > limits.members) {
      ++report.failed;
      onMember(member);
      return report;
    }
    const MemberCheck check = CheckMemberName(member.name);
    member.verdict = check.verdict;
    if (check.verdict != MemberVerdict::Accepted) {
      member.outcome = MemberOutcome::Refused;
      ++report.refused;
      onMember(member);
      continue;
    }
    const fs::path path = target / fs::path(std::u8string(check.relative.begin(), check.relative.end()));
    bool ok;
    if (check.folder) {
      fs::create_directories(path, ec);
      ok = fs::is_directory(path, ec);
    } else {
      fs::create_directories(path.parent_path(), ec);
      ok = fs::is_directory(path.parent_path(), ec) && WriteMember(zip.get(), path, budget, writer);
    }
    member.outcome = ok ? MemberOutcome::Written : MemberOutcome::Failed;
    ++(ok ? report.written : report.failed);
    onMember(member);
  }
  // A central directory that breaks off before its end: members are missing.
  if (step != UNZ_OK && step != UNZ_END_OF_LIST_OF_FILE) ++report.failed;
  return report;
}

}  // namespace rt
