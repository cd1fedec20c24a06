#include "tools/teacher_kit/banktool/publish.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "runtime/database.h"
#include "runtime/file_system.h"
#include "runtime/hex.h"
#include "runtime/ini.h"
#include "runtime/unpack.h"
#include "tools/teacher_kit/banktool/build.h"
#include "tools/teacher_kit/banktool/version_ini.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/program_archive.h"
#include "tools/teacher_kit/banktool/signed_publish.h"
#include "tools/teacher_kit/banktool/signing.h"
#include "update/bank_archive_rules.h"
#include "update/download_limits.h"
#include "update/versions.h"

namespace banktool {
namespace {

// Why the program refuses to unpack a member of this verdict.
std::string RefusalReason(rt::MemberVerdict verdict) {
  switch (verdict) {
    case rt::MemberVerdict::Absolute: return Say(Msg::MemberAbsolute);
    case rt::MemberVerdict::DriveOrColon: return Say(Msg::MemberDrive);
    case rt::MemberVerdict::ParentFolder: return Say(Msg::PublishMemberLeadsOut);
    case rt::MemberVerdict::ProgramCode: return Say(Msg::PublishMemberProgramFile);
    case rt::MemberVerdict::SameName: return Say(Msg::PublishMemberSameName);
    case rt::MemberVerdict::Accepted:
    case rt::MemberVerdict::BadName: break;
  }
  return Say(Msg::MemberBadName);
}

// The first member the program would refuse or fail to unpack, as a message.
std::string MemberProblem(const rt::MemberReport& member) {
  if (member.outcome == rt::MemberOutcome::Failed) {
    const rt::UnpackLimits limits = BankArchiveLimits();
    return Say(Msg::PublishArchiveDamaged,
               member.name.empty() ? std::string() : Say(Msg::PublishDamagedAtMember, Quoted(member.name)),
               limits.totalBytes >> 20);
  }
  // A name that is no text of its encoding is decoded as "?".
  if (member.name == "?") return Say(Msg::PublishMemberNameNotText);
  return Say(member.verdict == rt::MemberVerdict::SameName ? Msg::PublishMemberRefusedWhole : Msg::PublishMemberRefused,
             Quoted(member.name), RefusalReason(member.verdict));
}

// The version file's text with the archive's signature set (hexadecimal), or
// removed for an archive published without one.
std::string WithSignature(std::string_view ini, std::string_view key, std::string_view hex) {
  if (hex.empty()) return rt::WithoutIniKey(ini, Gbk(kVersionSection), Gbk(key));
  return rt::WithIniValue(ini, Gbk(kVersionSection), Gbk(key), hex, rt::IniRepeats::Drop);
}

// bank.zip itself, or the one in a build's output folder.
fs::path BankArchive(const fs::path& given) {
  std::error_code ec;
  return fs::is_directory(given, ec) ? given / PathFromUtf8(kArchiveFileName) : given;
}

// Notes on the archives of the server folder that have no signature while
// another has one, or while the school signs (a program built with the key
// refuses them).
std::vector<std::string> UnsignedBesideSigned(const fs::path& zentra, std::string_view ini) {
  std::vector<std::string> unsignedNotes;
  bool anySigned = false;
  for (const auto& [name, key] : {std::pair{kArchiveFileName, std::string_view(program::kBankSignatureKey)},
                                  {kProgramArchiveName, std::string_view(program::kProgramSignatureKey)}}) {
    if (!rt::IsFile(zentra / PathFromUtf8(name))) continue;
    if (!rt::IniValue(ini, Gbk(kVersionSection), Gbk(key)).empty()) {
      anySigned = true;
    } else {
      unsignedNotes.push_back(Say(Msg::PublishUnsigned, std::string(kServerSubfolder) + "/" + std::string(name), key));
    }
  }
  return anySigned ? unsignedNotes : std::vector<std::string>();
}

// When the file system says `file` was last written: on a shared folder, by
// the server's clock.
std::optional<std::time_t> FileTime(const fs::path& file) {
  std::error_code ec;
  const fs::file_time_type written = fs::last_write_time(file, ec);
  if (ec) return std::nullopt;
  return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(written));
}

}  // namespace

std::string CheckBankArchive(const fs::path& path, const fs::path& scratch) {
  const std::string name = PathToUtf8(path);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return Say(Msg::NoSuchFileThere, name);
  // Unpacked and checked as the students' programs install a bank.
  rt::RemoveTree(scratch);
  if (!fs::create_directories(scratch, ec)) {
    return Say(Msg::ScratchCannotBeMade, PathToUtf8(scratch), ErrorText(ec));
  }
  std::optional<rt::MemberReport> problem;
  const rt::UnpackLimits limits = BankArchiveLimits();
  const rt::UnpackReport unpacked = rt::UnpackArchive(path, scratch, [&](const rt::MemberReport& member) {
    if (!problem && member.outcome != rt::MemberOutcome::Written) problem = member;
  }, limits);
  const fs::path bank = scratch / PathFromUtf8(kBankFileName);
  const bool hasBank = rt::IsFile(bank), hasKeywords = rt::IsFile(scratch / PathFromUtf8(kKeywordFileName));
  const bool bankOpens = hasBank && rt::Database().OpenFile(bank);
  rt::RemoveTree(scratch);
  if (!unpacked.opened) return Say(Msg::IsNotAZipArchive, name);
  if (unpacked.refusal == rt::ArchiveRefusal::TooManyMembers) {
    return Say(Msg::BankArchiveTooManyMembers, name, limits.members, kBankFileName, kKeywordFileName);
  }
  if (problem) return Say(Msg::WhereText, name, MemberProblem(*problem));
  if (!hasBank || !hasKeywords) {
    return Say(Msg::BankArchiveLacks, name, hasBank ? std::string(kKeywordFileName) : kBankFileName, kBankFileName,
               kKeywordFileName);
  }
  if (!bankOpens) return Say(Msg::BankArchiveNoBank, name, kBankFileName);
  return std::string();
}

namespace {

// Why the version file would leave students' programs comparing against a
// version that is not there (they offer an upgrade for any difference, a
// missing version included); empty when both versions are set.
std::string MissingVersion(std::string_view ini) {
  const auto has = [&](std::string_view key) {
    return !rt::IniValue(ini, Gbk(kVersionSection), Gbk(key)).empty();
  };
  if (!has(kBankVersionKey)) {
    return Say(Msg::IniLacksBankVersion, kBankVersionKey);
  }
  if (!has(kProgramVersionKey)) {
    return Say(Msg::IniLacksProgramVersion, kProgramVersionKey);
  }
  return std::string();
}

}  // namespace

bool Publish(const PublishOptions& options, std::string& error, std::vector<std::string>* notes,
             std::vector<std::string>* warnings, uint64_t* release) {
  if (release) *release = 0;
  // With nothing new, math.ini as it is may be signed again (or lose the
  // archives' own signature lines).
  const bool nothingNew = !options.bank && !options.programVersion;
  if (nothingNew && !options.key && options.oldSignatures) {
    error = Say(Msg::NameWhatToPublish);
    return false;
  }
  std::error_code ec;
  if (!fs::is_directory(options.server, ec)) {
    error = Say(Msg::NoServerFolder, PathToUtf8(options.server));
    return false;
  }
  const fs::path zentra = options.server / PathFromUtf8(kServerSubfolder);
  fs::create_directories(zentra, ec);
  if (!fs::is_directory(zentra, ec)) {
    error = Say(Msg::FolderCannotBeMade, PathToUtf8(zentra));
    return false;
  }

  std::optional<SigningKey> signingKey, previousKey;
  if (options.key && !ReadSigningKey(*options.key, signingKey.emplace(), error)) return false;
  if (options.previousKey && !options.key) {
    error = Say(Msg::PreviousKeyNeedsKey);
    return false;
  }
  if (options.previousKey && !ReadSigningKey(*options.previousKey, previousKey.emplace(), error)) return false;
  // The archives' own lines are read by programs of the previous key alone.
  const SigningKey* lineKey = previousKey ? &*previousKey : signingKey ? &*signingKey : nullptr;

  // Everything is checked and read before anything is staged.
  struct Copy {
    fs::path from, to;
    std::string bytes;
  };
  std::vector<Copy> copies;
  const fs::path ini = zentra / PathFromUtf8(kIniFileName);
  std::optional<std::string> iniBytes;  // the version file as it will be
  const auto stage = [&](const fs::path& from, std::string_view toName, std::string_view key,
                         std::string_view signatureKey, const std::string& version, const char* versionOption) {
    if (const std::string bad = CheckIniValue(version); !bad.empty()) {
      error = Say(Msg::OptionProblem, versionOption, bad);
      return false;
    }
    // Students' programs take no longer download.
    const size_t limit = key == kBankVersionKey ? kBankArchiveLimit : kProgramArchiveLimit;
    std::error_code sizeError;
    if (const uintmax_t size = fs::file_size(from, sizeError); !sizeError && size > limit) {
      error = Say(Msg::ArchiveTooLarge, PathToUtf8(from), size >> 20, limit >> 20);
      return false;
    }
    Copy copy{from, zentra / PathFromUtf8(toName), {}};
    std::string why;
    if (!ReadFileBytes(from, copy.bytes, why)) {
      error = Say(Msg::CannotRead, PathToUtf8(from), why);
      return false;
    }
    if (copy.bytes.empty()) {
      error = Say(Msg::FileIsEmpty, PathToUtf8(from));
      return false;
    }
    std::string signature;
    if (lineKey && !SignBytes(*lineKey, copy.bytes, signature, error)) {
      error = Say(Msg::CannotSign, PathToUtf8(from), error);
      return false;
    }
    // The archive's size goes beside its version: students' programs tell a
    // download that broke off without a length by it.
    const std::string size = std::to_string(copy.bytes.size());
    const std::string_view sizeKey = key == kBankVersionKey ? program::kBankSizeKey : program::kProgramSizeKey;
    copies.push_back(std::move(copy));
    if (!iniBytes && !UpdatedIni(ini, key, version, iniBytes.emplace(), error)) return false;
    *iniBytes = WithVersion(WithVersion(*iniBytes, key, version), sizeKey, size);
    *iniBytes = WithSignature(*iniBytes, signatureKey, rt::HexText(signature));
    return true;
  };
  if (options.bank) {
    const fs::path archive = BankArchive(*options.bank);
    const fs::path scratch = zentra / PathFromUtf8("bank-check.banktool-" + std::to_string(CurrentProcessId()));
    if (const std::string bad = CheckBankArchive(archive, scratch); !bad.empty()) {
      error = bad;
      return false;
    }
    if (!stage(archive, kArchiveFileName, kBankVersionKey, program::kBankSignatureKey, options.bankVersion.value_or(""),
               "--bank-version")) {
      return false;
    }
  }
  if (options.program) {
    std::string start;
    if (std::FILE* f = rt::OpenNativeFile(*options.program, "rb")) {
      start.resize(8);
      start.resize(std::fread(start.data(), 1, start.size(), f));
      std::fclose(f);
    }
    if (!start.empty() && !LooksLikeProgramArchive(start)) {
      error = Say(Msg::NotAProgramArchive, PathToUtf8(*options.program));
      return false;
    }
  }
  if (options.programPublicKey && (!options.program || !signingKey)) {
    error = Say(Msg::ProgramPublicKeyAlone);
    return false;
  }
  // Signed, the program must carry the key that checks the school's updates.
  if (options.program && signingKey) {
    std::string expected = signingKey->publicKey;
    std::string source = PathToUtf8(*options.key);
    if (options.programPublicKey) {
      const std::optional<std::string> given = ReadPublicKey(*options.programPublicKey, error);
      if (!given) {
        error = Say(Msg::OptionProblem, "--program-public-key", error);
        return false;
      }
      expected = *given;
      source = *options.programPublicKey;
    }
    const ProgramKeyCheck check = CheckProgramKey(*options.program, expected, source);
    if (!check.refusal.empty()) {
      error = check.refusal;
      return false;
    }
    if (!check.warning.empty() && warnings) warnings->push_back(check.warning);
  }
  if (options.program &&
      !stage(*options.program, kProgramArchiveName, kProgramVersionKey, program::kProgramSignatureKey,
             options.programVersion.value_or(""), "--program-version")) {
    return false;
  }
  // The version of the program students run, with no new program to offer.
  if (!options.program && options.programVersion) {
    if (const std::string bad = CheckIniValue(*options.programVersion); !bad.empty()) {
      error = Say(Msg::OptionProblem, "--program-version", bad);
      return false;
    }
    if (iniBytes) {
      *iniBytes = WithVersion(*iniBytes, kProgramVersionKey, *options.programVersion);
    } else if (!UpdatedIni(ini, kProgramVersionKey, *options.programVersion, iniBytes.emplace(), error)) {
      return false;
    }
  }
  if (nothingNew) {
    std::string why;
    if (!rt::IsFile(ini) || !ReadFileBytes(ini, iniBytes.emplace(), why)) {
      error = Say(Msg::NothingToSignAgain, PathToUtf8(ini), why.empty() ? std::string() : Say(Msg::Because, why));
      return false;
    }
    if (const std::string bad = CheckIniFile(*iniBytes); !bad.empty()) {
      error = Say(Msg::WhereText, PathToUtf8(ini), bad);
      return false;
    }
  }
  if (const std::string missing = MissingVersion(*iniBytes); !missing.empty()) {
    error = missing;
    return false;
  }

  StagedOutputs staged;
  std::string why;
  for (const Copy& copy : copies) {
    if (!WriteFileBytes(staged.Stage(copy.to), copy.bytes, why)) {
      error = Say(Msg::CannotWrite, PathToUtf8(copy.to), why);
      return false;
    }
  }
  const std::string withSignatures = *iniBytes;
  if (!options.oldSignatures) {
    for (const char* key : {program::kBankSignatureKey, program::kProgramSignatureKey}) {
      *iniBytes = rt::WithoutIniKey(*iniBytes, Gbk(kVersionSection), Gbk(key));
    }
  }
  const fs::path iniStaged = staged.Stage(ini);
  if (!WriteFileBytes(iniStaged, *iniBytes, why)) {
    error = Say(Msg::CannotWrite, PathToUtf8(ini), why);
    return false;
  }
  std::vector<std::string> signedNotes;
  if (signingKey) {
    // Written last, so that a program that finds it finds what it names.
    SignedFileInputs inputs{zentra, *iniBytes, withSignatures, {}, {}, options.release,
                            options.now.value_or(std::time(nullptr)), FileTime(iniStaged)};
    for (const Copy& copy : copies) {
      (copy.to.filename() == PathFromUtf8(kArchiveFileName) ? inputs.bank : inputs.program) = copy.bytes;
    }
    const std::optional<SignedFile> signedFile =
        MakeSignedVersionFile(*signingKey, previousKey ? &*previousKey : nullptr, inputs, error, signedNotes);
    if (!signedFile) return false;
    const fs::path target = SignedVersionFilePath(zentra);
    if (!WriteFileBytes(staged.Stage(target), signedFile->bytes, why)) {
      error = Say(Msg::CannotWrite, PathToUtf8(target), why);
      return false;
    }
    if (release) *release = signedFile->release;
  } else if (rt::IsFile(SignedVersionFilePath(zentra))) {
    signedNotes.push_back(Say(Msg::SignedFileStale, program::kSignedVersionServerName));
  }
  if (!staged.Commit(error)) return false;
  if (notes) {
    if (options.oldSignatures) *notes = UnsignedBesideSigned(zentra, *iniBytes);
    notes->insert(notes->end(), signedNotes.begin(), signedNotes.end());
  }
  return true;
}

}  // namespace banktool
