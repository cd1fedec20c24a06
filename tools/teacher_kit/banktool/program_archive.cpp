#include "tools/teacher_kit/banktool/program_archive.h"

#include <unzip.h>

#include <memory>
#include <optional>
#include <span>

#include "program/program_settings_file.h"
#include "runtime/crypto/p256_point.h"
#include "runtime/data/hex.h"
#include "runtime/files/archive_names.h"
#include "runtime/files/file_system.h"
#include "runtime/files/zip_files.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

constexpr size_t kLongestName = 4096;
constexpr uint64_t kLargestProgram = uint64_t{256} << 20;  // a program of a few MB, with room
constexpr uLong kEncryptedFlag = 1;

struct ArchiveCloser {
  void operator()(void* zip) const { unzClose(static_cast<unzFile>(zip)); }
};

// The first 16 hexadecimal digits of a key, enough to tell keys apart in a message.
std::string Short(std::string_view hex) { return std::string(hex.substr(0, 16)) + "…"; }

// The current member, read whole and checked against its CRC-32; false with
// the reason in `why`.
bool ReadMember(unzFile zip, const unz_file_info64& info, std::string& bytes, std::string& why) {
  if (info.flag & kEncryptedFlag) {
    why = Say(Msg::ProgramEncrypted);
    return false;
  }
  if (info.uncompressed_size > kLargestProgram) {
    why = Say(Msg::ProgramMemberTooLarge, info.uncompressed_size >> 20);
    return false;
  }
  if (unzOpenCurrentFile(zip) != UNZ_OK) {
    why = Say(Msg::ArchiveDamagedAt);
    return false;
  }
  bytes.assign(static_cast<size_t>(info.uncompressed_size), '\0');
  const int n = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
  char more;
  const bool whole = n == static_cast<int>(bytes.size()) && unzReadCurrentFile(zip, &more, 1) == 0;
  if (unzCloseCurrentFile(zip) != UNZ_OK || !whole) {
    why = Say(Msg::ArchiveDamagedAt);
    return false;
  }
  return true;
}

}  // namespace

ProgramKeyCheck CheckProgramKey(const fs::path& archive, std::string_view publicKey, std::string_view keySource) {
  const std::string name = PathToUtf8(archive);
  const std::string expected = rt::HexText(publicKey);
  const std::string checkYourself = Say(Msg::CheckKeyYourself, keySource, Short(expected));
  ProgramKeyCheck check;
  std::string start;
  if (std::FILE* f = rt::OpenNativeFile(archive, "rb")) {
    start.resize(4);
    start.resize(std::fread(start.data(), 1, start.size(), f));
    std::fclose(f);
  }
  std::unique_ptr<void, ArchiveCloser> zip;
  if (start == "PK\x03\x04") zip.reset(rt::OpenArchiveForReading(archive));
  if (!zip) {
    check.warning = Say(start == "PK\x03\x04" ? Msg::ProgramZipDamaged : Msg::ProgramNotZip, name, checkYourself);
    return check;
  }
  int found = 0;
  int step = unzGoToFirstFile(static_cast<unzFile>(zip.get()));
  for (; step == UNZ_OK; step = unzGoToNextFile(static_cast<unzFile>(zip.get()))) {
    unzFile z = static_cast<unzFile>(zip.get());
    unz_file_info64 info{};
    std::string raw(kLongestName, '\0');
    if (unzGetCurrentFileInfo64(z, &info, raw.data(), kLongestName, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    raw.resize(std::min<size_t>(info.size_filename, kLongestName));
    const std::string member = rt::DecodeMemberName(raw, static_cast<uint16_t>(info.flag));
    const size_t slash = member.find_last_of("/\\");
    if (rt::FoldedName(member.substr(slash == std::string::npos ? 0 : slash + 1)) != "tessaly.exe") continue;
    ++found;
    std::string bytes, why;
    if (!ReadMember(z, info, bytes, why)) {
      check.warning = Say(Msg::ProgramMemberUnreadable, name, Quoted(member), why, checkYourself);
      return check;
    }
    std::string error;
    const std::optional<program::ProgramSettings> settings =
        program::ReadProgramSettings(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), error);
    std::string key;
    for (const program::PlacedSetting& placed : settings ? settings->settings : std::vector<program::PlacedSetting>()) {
      if (placed.setting->kind == program::SettingKind::PublicKey) key = placed.value;
    }
    if (!settings) {
      check.refusal = Say(Msg::ProgramKeyUnreadable, name, Quoted(member), error);
    } else if (key.empty()) {
      check.refusal = Say(Msg::ProgramKeyMissing, name, Quoted(member));
    } else if (key != expected) {
      check.refusal = Say(Msg::ProgramKeyOther, name, Quoted(member), Short(key), keySource, Short(expected));
    }
    if (!check.refusal.empty()) {
      check.refusal += Say(Msg::ProgramKeyHowTo);
      return check;
    }
  }
  if (step != UNZ_END_OF_LIST_OF_FILE) {
    check.warning = Say(Msg::ProgramZipBreaksOff, name, checkYourself);
  } else if (found == 0) {
    check.warning = Say(Msg::ProgramZipNoExe, name, checkYourself);
  }
  return check;
}
}  // namespace banktool
