#include "runtime/files/unpack.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "runtime/data/encoding.h"
#include "runtime/files/zip_files.h"
#include "unzip.h"

namespace rt {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kLongestName = 4096;

struct ArchiveCloser {
  void operator()(void* zip) const { unzClose(static_cast<unzFile>(zip)); }
};

// The current member's name, decoded (archive_names.h); false when the
// archive's list of members cannot be read there.
bool CurrentMember(unzFile zip, unz_file_info64& info, std::string& name) {
  std::vector<char> raw(kLongestName + 1, '\0');
  if (unzGetCurrentFileInfo64(zip, &info, raw.data(), kLongestName, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  const size_t length = std::min<size_t>(info.size_filename, kLongestName);
  name = DecodeMemberName(std::string_view(raw.data(), length), static_cast<uint16_t>(info.flag));
  return true;
}

// The target's kept files as FoldedName gives them.
std::set<std::string> FoldedKeptFiles(const UnpackLimits& limits) {
  std::set<std::string> kept;
  for (std::string_view gbk : limits.keptFiles) kept.insert(FoldedName(GbkToUtf8(gbk)));
  return kept;
}

// The member name's verdict, a name whose first segment is a kept file of
// the target (the file itself, or a folder that would take its place)
// refused as program code.
MemberCheck CheckMember(std::string_view name, const std::set<std::string>& kept) {
  MemberCheck check = CheckMemberName(name);
  if (check.verdict == MemberVerdict::Accepted &&
      kept.contains(FoldedName(std::string_view(check.relative).substr(0, check.relative.find('/'))))) {
    check.verdict = MemberVerdict::ProgramCode;
    check.relative.clear();
  }
  return check;
}

// Goes through the archive's list of members before anything is written: why
// the whole archive is refused, if it is; for two members of one name, the
// second is `clash`. A list that cannot be read to its end is left to the
// unpacking, which reports it where it breaks off.
ArchiveRefusal Survey(unzFile zip, const UnpackLimits& limits, const std::set<std::string>& kept, MemberReport& clash) {
  std::set<std::string> names;
  size_t members = 0;
  for (int step = unzGoToFirstFile(zip); step == UNZ_OK; step = unzGoToNextFile(zip)) {
    if (++members > limits.members) return ArchiveRefusal::TooManyMembers;
    unz_file_info64 info{};
    std::string name;
    if (!CurrentMember(zip, info, name)) break;
    const MemberCheck check = CheckMember(name, kept);
    if (check.verdict != MemberVerdict::Accepted || check.relative.empty()) continue;
    if (!names.insert(FoldedName(check.relative)).second) {
      clash.name = name;
      clash.outcome = MemberOutcome::Refused;
      clash.verdict = MemberVerdict::SameName;
      return ArchiveRefusal::SameName;
    }
  }
  return ArchiveRefusal::None;
}

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
  const std::set<std::string> kept = FoldedKeptFiles(limits);
  MemberReport clash;
  report.refusal = Survey(zip.get(), limits, kept, clash);
  if (report.refusal != ArchiveRefusal::None) {
    if (report.refusal == ArchiveRefusal::SameName) {
      ++report.refused;
      onMember(clash);
    }
    return report;
  }
  std::error_code ec;
  fs::create_directories(target, ec);

  uint64_t budget = limits.totalBytes;
  int step = unzGoToFirstFile(zip.get());
  for (; step == UNZ_OK; step = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    MemberReport member;
    if (!CurrentMember(zip.get(), info, member.name)) {
      ++report.failed;
      onMember(member);
      return report;
    }
    const MemberCheck check = CheckMember(member.name, kept);
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
