#include "tools/teacher_kit/banktool/input_files.h"

#include <unzip.h>

#include <map>
#include <set>

#include "runtime/files/archive_names.h"
#include "runtime/files/file_system.h"
#include "runtime/files/zip_files.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

constexpr size_t kLongestName = 4096;
constexpr size_t kChunk = 64 * 1024;
constexpr uLong kEncryptedFlag = 1;

// Why a member of this verdict is refused.
std::string RefusalReason(rt::MemberVerdict verdict) {
  switch (verdict) {
    case rt::MemberVerdict::Absolute:
      return Say(Msg::MemberAbsolute);
    case rt::MemberVerdict::DriveOrColon:
      return Say(Msg::MemberDrive);
    case rt::MemberVerdict::ParentFolder:
      return Say(Msg::MemberLeadsOutOfArchive);
    case rt::MemberVerdict::ProgramCode:
      return Say(Msg::MemberIsProgramCode);
    case rt::MemberVerdict::Accepted:
    case rt::MemberVerdict::SameName:  // the unpacker's verdict on a whole archive, never CheckMemberName's
    case rt::MemberVerdict::BadName:
      break;
  }
  return Say(Msg::MemberBadName);
}

// The folders that hold `relative`: "a/b/c.png" gives "a" and "a/b".
void AddParents(const std::string& relative, std::set<std::string>& folders) {
  for (size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1)) {
    folders.insert(relative.substr(0, slash));
  }
}

}  // namespace

struct InputFiles::Archive {
  struct Member {
    unz64_file_pos position{};
    uint64_t size = 0;
    bool encrypted = false;
  };
  unzFile zip = nullptr;
  std::map<std::string, Member> files;  // by the path inside the archive
  std::set<std::string> folders;        // every folder that holds a member, and folder entries

  ~Archive() {
    if (zip) unzClose(zip);
  }
};

InputFiles InputFiles::Folder(const fs::path& folder) {
  InputFiles files;
  files.path_ = folder;
  return files;
}

std::optional<InputFiles> InputFiles::Zip(const fs::path& path, std::string& error) {
  const std::string name = PathToUtf8(path);
  auto archive = std::make_shared<Archive>();
  archive->zip = static_cast<unzFile>(rt::OpenArchiveForReading(path));
  if (!archive->zip) {
    error = Say(Msg::NotAZip, name);
    return std::nullopt;
  }
  int step = unzGoToFirstFile(archive->zip);
  for (; step == UNZ_OK; step = unzGoToNextFile(archive->zip)) {
    unz_file_info64 info{};
    std::string raw(kLongestName, '\0');
    if (unzGetCurrentFileInfo64(archive->zip, &info, raw.data(), kLongestName, nullptr, 0, nullptr, 0) != UNZ_OK) {
      break;
    }
    raw.resize(std::min<size_t>(info.size_filename, kLongestName));
    const std::string member = rt::DecodeMemberName(raw, static_cast<uint16_t>(info.flag));
    const rt::MemberCheck check = rt::CheckMemberName(member);
    if (check.verdict != rt::MemberVerdict::Accepted) {
      // A name that is no text of its encoding is decoded as "?".
      error = Say(Msg::ZipNotRead, name,
                  member == "?" ? Say(Msg::ZipMemberNameNotText)
                                : Say(Msg::ZipMemberRefused, Quoted(member), RefusalReason(check.verdict)));
      return std::nullopt;
    }
    if (check.relative.empty()) continue;  // the archive's top itself
    AddParents(check.relative, archive->folders);
    if (check.folder) {
      archive->folders.insert(check.relative);
      continue;
    }
    Archive::Member entry;
    entry.size = info.uncompressed_size;
    entry.encrypted = (info.flag & kEncryptedFlag) != 0;
    if (unzGetFilePos64(archive->zip, &entry.position) != UNZ_OK) break;
    if (!archive->files.emplace(check.relative, entry).second) {
      error = Say(Msg::ZipHoldsTwice, name, Quoted(check.relative));
      return std::nullopt;
    }
  }
  if (step != UNZ_END_OF_LIST_OF_FILE) {
    error = Say(Msg::ZipListBreaksOff, name);
    return std::nullopt;
  }
  InputFiles files;
  files.path_ = path;
  files.archive_ = std::move(archive);
  return files;
}

InputFiles InputFiles::In(std::string_view name) const {
  InputFiles files = *this;
  files.prefix_.append(name).append("/");
  return files;
}

InputFiles::Kind InputFiles::KindOf(std::string_view name) const {
  const std::string full = prefix_ + std::string(name);
  if (archive_) {
    if (archive_->files.contains(full)) return Kind::kFile;
    const std::string folder = full.ends_with('/') ? full.substr(0, full.size() - 1) : full;
    return folder.empty() || archive_->folders.contains(folder) ? Kind::kFolder : Kind::kMissing;
  }
  std::error_code ec;
  const auto status = fs::status(path_ / PathFromUtf8(full), ec);
  if (fs::is_regular_file(status)) return Kind::kFile;
  return fs::is_directory(status) ? Kind::kFolder : Kind::kMissing;
}

bool InputFiles::Read(std::string_view name, std::string& bytes, std::string& why) const {
  bytes.clear();
  const std::string full = prefix_ + std::string(name);
  if (!archive_) return ReadFileBytes(path_ / PathFromUtf8(full), bytes, why);
  const auto found = archive_->files.find(full);
  if (found == archive_->files.end()) {
    why = Say(Msg::MemberNotInArchive);
    return false;
  }
  const Archive::Member& member = found->second;
  if (member.encrypted) {
    why = Say(Msg::MemberEncrypted);
    return false;
  }
  if (member.size > kLargestMember) {
    why = Say(Msg::MemberTooLarge, member.size >> 20, kLargestMember >> 20);
    return false;
  }
  unzFile zip = archive_->zip;
  if (unzGoToFilePos64(zip, &member.position) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK) {
    why = Say(Msg::ArchiveDamagedAt);
    return false;
  }
  bytes.reserve(static_cast<size_t>(member.size));
  std::string chunk(kChunk, '\0');
  bool ok = true;
  int n;
  while ((n = unzReadCurrentFile(zip, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) {
    if (bytes.size() + static_cast<size_t>(n) > member.size) {
      ok = false;  // more than the archive's list says it holds
      break;
    }
    bytes.append(chunk.data(), static_cast<size_t>(n));
  }
  // Closing checks the CRC-32 of what was read whole.
  const bool whole = ok && n == 0 && bytes.size() == member.size;
  if (unzCloseCurrentFile(zip) != UNZ_OK || !whole) {
    bytes.clear();
    why = Say(Msg::ArchiveDamagedAt);
    return false;
  }
  return true;
}

std::vector<std::string> InputFiles::List() const {
  std::vector<std::string> names;
  if (archive_) {
    std::set<std::string> top;
    const auto add = [&](const std::string& path) {
      if (!path.starts_with(prefix_) || path.size() == prefix_.size()) return;
      const std::string rest = path.substr(prefix_.size());
      top.insert(rest.substr(0, rest.find('/')));
    };
    for (const auto& [path, member] : archive_->files) add(path);
    for (const auto& path : archive_->folders) add(path);
    names.assign(top.begin(), top.end());
    return names;
  }
  std::error_code ec;
  for (fs::directory_iterator it(path_ / PathFromUtf8(prefix_), ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(PathToUtf8(it->path().filename()));
  }
  return names;
}

std::string InputFiles::Shown(std::string_view name) const {
  std::string inside = prefix_ + std::string(name);
  if (inside.ends_with('/')) inside.pop_back();
  return inside.empty() ? PathToUtf8(path_) : PathToUtf8(path_) + "/" + inside;
}

}  // namespace banktool
