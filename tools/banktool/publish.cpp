#include "tools/banktool/publish.h"

#include <unzip.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "tools/banktool/build.h"
#include "tools/banktool/gbk.h"
#include "tools/banktool/ini.h"
#include "tools/banktool/outputs.h"
#include "tools/banktool/problem.h"
#include "tools/banktool/text.h"

namespace banktool {
namespace {

constexpr unsigned long kUtf8NameFlag = 0x0800;
constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

// A member's name as UTF-8, as the program decodes it; nothing when its bytes
// are no text of their encoding.
std::optional<std::string> MemberName(std::string_view raw, unsigned long flags) {
  if (flags & kUtf8NameFlag) {
    if (!IsValidUtf8(raw)) return std::nullopt;
    return std::string(raw);
  }
  return GbkToUtf8(raw);
}

// Why the program would refuse to unpack a member of this name; empty when it
// would not.
std::string RefusedName(std::string name) {
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  if (name.starts_with('/')) return "is an absolute path";
  if (name.find(':') != std::string::npos) return "names a drive or holds ':'";
  if (name == ".." || name.starts_with("../") || name.ends_with("/..") || name.find("/../") != std::string::npos) {
    return "leads out of the program folder with \"..\"";
  }
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && !name.ends_with('/')) {
    std::string extension = name.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".exe" || extension == ".dll" || extension == ".fnr" || extension == ".fne") {
      return "would replace program code";
    }
  }
  return std::string();
}

// The first bytes of the current member.
std::string MemberStart(void* zip, size_t count) {
  std::string bytes(count, '\0');
  if (unzOpenCurrentFile(zip) != UNZ_OK) return std::string();
  const int n = unzReadCurrentFile(zip, bytes.data(), static_cast<unsigned>(count));
  unzCloseCurrentFile(zip);
  bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return bytes;
}

// The kinds of file the students' programs take as the main program's archive.
bool IsProgramArchive(std::string_view start) {
  using namespace std::string_view_literals;
  for (const std::string_view magic : {"Rar!\x1A\x07"sv, "PK\x03\x04"sv, "PK\x05\x06"sv, "7z\xBC\xAF\x27\x1C"sv, "MZ"sv}) {
    if (start.starts_with(magic)) return true;
  }
  return false;
}

// bank.zip itself, or the one in a build's output folder.
fs::path BankArchive(const fs::path& given) {
  std::error_code ec;
  return fs::is_directory(given, ec) ? given / PathFromUtf8(kArchiveFileName) : given;
}

}  // namespace

std::string CheckBankArchive(const fs::path& path) {
  const std::string name = PathToUtf8(path);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return name + ": there is no such file";
  std::unique_ptr<void, ZipCloser> zip(OpenZipForReading(path));
  if (!zip) return name + ": is not a zip archive";
  bool hasBank = false, hasKeywords = false;
  int step = unzGoToFirstFile(zip.get());
  for (; step == UNZ_OK; step = unzGoToNextFile(zip.get())) {
    unz_file_info64 info{};
    std::vector<char> raw(4097, '\0');
    if (unzGetCurrentFileInfo64(zip.get(), &info, raw.data(), 4096, nullptr, 0, nullptr, 0) != UNZ_OK) break;
    const auto member = MemberName(std::string_view(raw.data(), std::min<size_t>(info.size_filename, 4096)), info.flag);
    if (!member) return name + ": a member's name is no GBK or UTF-8 text";
    if (const std::string why = RefusedName(*member); !why.empty()) {
      return name + ": the member " + Quoted(*member) + " " + why + "; the students' programs would refuse it";
    }
    if (*member == kBankFileName) {
      if (!MemberStart(zip.get(), kSqliteHeader.size()).starts_with(kSqliteHeader)) {
        return name + ": " + std::string(kBankFileName) + " in it is no SQLite question bank";
      }
      hasBank = true;
    }
    hasKeywords = hasKeywords || *member == kKeywordFileName;
  }
  if (step != UNZ_END_OF_LIST_OF_FILE) return name + ": the archive is damaged";
  if (!hasBank || !hasKeywords) {
    return name + ": holds no " + std::string(hasBank ? kKeywordFileName : kBankFileName) +
           "; a bank archive needs " + std::string(kBankFileName) + " and " + std::string(kKeywordFileName) +
           " (banktool build makes one)";
  }
  return std::string();
}

bool Publish(const PublishOptions& options, std::string& error) {
  if (!options.bank && !options.program) {
    error = "name what to publish: --bank with --bank-version, --program with --program-version, or both";
    return false;
  }
  std::error_code ec;
  if (!fs::is_directory(options.server, ec)) {
    error = PathToUtf8(options.server) + ": there is no such folder (the folder server/serve.sh serves)";
    return false;
  }
  const fs::path zentra = options.server / PathFromUtf8(kServerSubfolder);
  fs::create_directories(zentra, ec);
  if (!fs::is_directory(zentra, ec)) {
    error = PathToUtf8(zentra) + ": cannot be made";
    return false;
  }

  // Everything is checked and read before anything is staged.
  struct Copy {
    fs::path from, to;
    std::string bytes;
  };
  std::vector<Copy> copies;
  const fs::path ini = zentra / PathFromUtf8(kIniFileName);
  std::optional<std::string> iniBytes;  // the version file as it will be
  const auto stage = [&](const fs::path& from, std::string_view toName, std::string_view key,
                         const std::string& version, const char* versionOption) {
    if (const std::string bad = CheckIniValue(version); !bad.empty()) {
      error = std::string(versionOption) + ": " + bad;
      return false;
    }
    Copy copy{from, zentra / PathFromUtf8(toName), {}};
    std::string why;
    if (!ReadFileBytes(from, copy.bytes, why)) {
      error = PathToUtf8(from) + ": cannot be read: " + why;
      return false;
    }
    if (copy.bytes.empty()) {
      error = PathToUtf8(from) + ": is empty";
      return false;
    }
    copies.push_back(std::move(copy));
    if (iniBytes) {
      *iniBytes = SetIniValue(*iniBytes, Gbk(kVersionSection), Gbk(key), Utf8ToGbk(version).value_or(""));
      return true;
    }
    iniBytes.emplace();
    return UpdatedIni(ini, key, version, *iniBytes, error);
  };
  if (options.bank) {
    const fs::path archive = BankArchive(*options.bank);
    if (const std::string bad = CheckBankArchive(archive); !bad.empty()) {
      error = bad;
      return false;
    }
    if (!stage(archive, kArchiveFileName, kBankVersionKey, options.bankVersion.value_or(""), "--bank-version")) {
      return false;
    }
  }
  if (options.program) {
    std::string start;
    if (std::FILE* f = OpenFile(*options.program, "rb")) {
      start.resize(8);
      start.resize(std::fread(start.data(), 1, start.size(), f));
      std::fclose(f);
    }
    if (!start.empty() && !IsProgramArchive(start)) {
      error = PathToUtf8(*options.program) +
              ": is no RAR, ZIP or 7z archive nor a self-extracting program; the students' programs would not take it";
      return false;
    }
  }
  if (options.program &&
      !stage(*options.program, kProgramArchiveName, kProgramVersionKey, options.programVersion.value_or(""),
             "--program-version")) {
    return false;
  }

  StagedOutputs staged;
  std::string why;
  for (const Copy& copy : copies) {
    if (!WriteFileBytes(staged.Stage(copy.to), copy.bytes, why)) {
      error = PathToUtf8(copy.to) + ": cannot be written: " + why;
      return false;
    }
  }
  if (!WriteFileBytes(staged.Stage(ini), *iniBytes, why)) {
    error = PathToUtf8(ini) + ": cannot be written: " + why;
    return false;
  }
  return staged.Commit(error);
}

}  // namespace banktool
