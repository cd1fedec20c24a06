#include "tools/banktool/program_archive.h"

#include <unzip.h>

#include <memory>
#include <optional>
#include <span>

#include "program/program_settings_file.h"
#include "runtime/archive_names.h"
#include "runtime/file_system.h"
#include "runtime/hex.h"
#include "runtime/p256_point.h"
#include "tools/banktool/problem.h"
#include "tools/banktool/text.h"

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
    why = "it is encrypted";
    return false;
  }
  if (info.uncompressed_size > kLargestProgram) {
    why = "it is " + std::to_string(info.uncompressed_size >> 20) + " MB, no program";
    return false;
  }
  if (unzOpenCurrentFile(zip) != UNZ_OK) {
    why = "the archive is damaged at it";
    return false;
  }
  bytes.assign(static_cast<size_t>(info.uncompressed_size), '\0');
  const int n = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
  char more;
  const bool whole = n == static_cast<int>(bytes.size()) && unzReadCurrentFile(zip, &more, 1) == 0;
  if (unzCloseCurrentFile(zip) != UNZ_OK || !whole) {
    why = "the archive is damaged at it";
    return false;
  }
  return true;
}

}  // namespace

ProgramKeyCheck CheckProgramKey(const fs::path& archive, std::string_view publicKey, std::string_view keySource) {
  const std::string name = PathToUtf8(archive);
  const std::string expected = rt::HexText(publicKey);
  const std::string checkYourself = "; check yourself that its tessaly.exe carries the update public key of " +
                                    std::string(keySource) + " (tessalyconfig show tessaly.exe prints update-public-key=" +
                                    Short(expected) + "): a program with another key refuses every update " +
                                    "signed with this one, and one without a key checks nothing";
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
    check.warning = name + (start == "PK\x03\x04" ? ": is a damaged zip archive" : ": is no zip archive") +
                    ", which the bank tool cannot read" + checkYourself;
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
      check.warning = name + ": its " + Quoted(member) + " cannot be read (" + why + ")" + checkYourself;
      return check;
    }
    std::string error;
    const std::optional<program::ProgramSettings> settings = program::ReadProgramSettings(
        std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), error);
    std::string key;
    for (const program::PlacedSetting& placed : settings ? settings->settings : std::vector<program::PlacedSetting>()) {
      if (placed.setting->kind == program::SettingKind::PublicKey) key = placed.value;
    }
    const std::string program = name + ": its program " + Quoted(member);
    if (!settings) {
      check.refusal = program + " carries no update public key that can be read (it " + error +
                      "): students' programs from it would check no signatures, or refuse every update";
    } else if (key.empty()) {
      check.refusal = program + " carries no update public key: students' programs from it would check no " +
                      "signatures of their downloads";
    } else if (key != expected) {
      check.refusal = program + " carries the update public key " + Short(key) + ", not the one of " +
                      std::string(keySource) + " (" + Short(expected) +
                      "): students' programs from it would refuse every update signed with that key";
    }
    if (!check.refusal.empty()) {
      check.refusal += ". Give the program the key first (tessalyconfig set tessaly.exe --out COPY "
                       "--update-public-key update-public-key.txt) and pack the copy; for a change of key, "
                       "name the new public key with --program-public-key";
      return check;
    }
  }
  if (step != UNZ_END_OF_LIST_OF_FILE) {
    check.warning = name + ": is damaged: its list of members breaks off" + checkYourself;
  } else if (found == 0) {
    check.warning = name + ": holds no tessaly.exe" + checkYourself;
  }
  return check;
}

std::optional<std::string> ReadPublicKey(const std::string& given, std::string& error) {
  std::string text = given;
  if (const std::optional<std::string> digits = rt::BytesFromHex(given); !digits || digits->size() != 64) {
    std::string why;
    if (!ReadFileBytes(PathFromUtf8(given), text, why)) {
      error = Quoted(given) + " is neither 128 hexadecimal digits nor a file that can be read (" + why + ")";
      return std::nullopt;
    }
    if (text.find("private-key=") != std::string::npos) {
      error = given + " holds the private signing key; give the public key file update-public-key.txt beside it";
      return std::nullopt;
    }
  }
  size_t position = 0;
  const std::string_view line = TrimBlanks(NextLine(text, position));
  const std::optional<std::string> key = rt::BytesFromHex(line);
  if (!key || key->size() != 64 || !TrimBlanks(std::string_view(text).substr(std::min(position, text.size()))).empty()) {
    error = given + " does not hold one line of 128 hexadecimal digits (update-public-key.txt of banktool keygen)";
    return std::nullopt;
  }
  if (!rt::IsP256Point(*key)) {
    error = given + " holds no public key of banktool keygen: its digits are no point of the curve P-256";
    return std::nullopt;
  }
  return key;
}

}  // namespace banktool
