#include "tools/teacher_kit/banktool/publish.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include "runtime/data/database.h"
#include "runtime/files/file_system.h"
#include "runtime/data/hex.h"
#include "runtime/data/ini.h"
#include "runtime/files/unpack.h"
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
    case rt::MemberVerdict::Absolute:
      return Say(Msg::MemberAbsolute);
    case rt::MemberVerdict::DriveOrColon:
      return Say(Msg::MemberDrive);
    case rt::MemberVerdict::ParentFolder:
      return Say(Msg::PublishMemberLeadsOut);
    case rt::MemberVerdict::ProgramCode:
      return Say(Msg::PublishMemberProgramFile);
    case rt::MemberVerdict::SameName:
      return Say(Msg::PublishMemberSameName);
    case rt::MemberVerdict::Accepted:
    case rt::MemberVerdict::BadName:
      break;
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
  const rt::UnpackReport unpacked = rt::UnpackArchive(
      path, scratch,
      [&](const rt::MemberReport& member) {
        if (!problem && member.outcome != rt::MemberOutcome::Written) problem = member;
      },
      limits);
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
  const auto has = [&](std::string_view key) { return !rt::IniValue(ini, Gbk(kVersionSection), Gbk(key)).empty(); };
  if (!has(kBankVersionKey)) {
    return Say(Msg::IniLacksBankVersion, kBankVersionKey);
  }
  if (!has(kProgramVersionKey)) {
    return Say(Msg::IniLacksProgramVersion, kProgramVersionKey);
  }
  return std::string();
}

}  // namespace

namespace {

// One publish, phase by phase: Check (the options, the server folder, the
// keys), Make (each archive read, checked and signed, math.ini as it will be),
// Write (the files staged: the archives, math.ini, then math-signed.ini); the
// caller commits. A phase that fails says why in `error`.
class PublishRun {
 public:
  PublishRun(const PublishOptions& options, std::string& error)
      : options_(options),
        error_(error),
        zentra_(options.server / PathFromUtf8(kServerSubfolder)),
        ini_(zentra_ / PathFromUtf8(kIniFileName)) {}

  bool Check() {
    // With nothing new, math.ini as it is may be signed again (or lose the
    // archives' own signature lines).
    if (NothingNew() && !options_.key && options_.oldSignatures) return Fail(Say(Msg::NameWhatToPublish));
    std::error_code ec;
    if (!fs::is_directory(options_.server, ec)) return Fail(Say(Msg::NoServerFolder, PathToUtf8(options_.server)));
    fs::create_directories(zentra_, ec);
    if (!fs::is_directory(zentra_, ec)) return Fail(Say(Msg::FolderCannotBeMade, PathToUtf8(zentra_)));
    if (options_.key && !ReadSigningKey(*options_.key, signingKey_.emplace(), error_)) return false;
    if (options_.previousKey && !options_.key) return Fail(Say(Msg::PreviousKeyNeedsKey));
    if (options_.previousKey && !ReadSigningKey(*options_.previousKey, previousKey_.emplace(), error_)) return false;
    if (options_.programPublicKey && (!options_.program || !signingKey_)) return Fail(Say(Msg::ProgramPublicKeyAlone));
    return true;
  }

  // Everything is checked and read before anything is staged.
  bool Make(std::vector<std::string>* warnings) {
    if (options_.bank) {
      const fs::path archive = BankArchive(*options_.bank);
      const fs::path scratch = zentra_ / PathFromUtf8("bank-check.banktool-" + std::to_string(CurrentProcessId()));
      if (std::string bad = CheckBankArchive(archive, scratch); !bad.empty()) return Fail(std::move(bad));
      if (!Read(archive, kArchiveFileName, kBankVersionKey, program::kBankSignatureKey,
                options_.bankVersion.value_or(""), "--bank-version")) {
        return false;
      }
    }
    if (options_.program) {
      if (!CheckProgram(warnings) ||
          !Read(*options_.program, kProgramArchiveName, kProgramVersionKey, program::kProgramSignatureKey,
                options_.programVersion.value_or(""), "--program-version")) {
        return false;
      }
    }
    // The version of the program students run, with no new program to offer.
    if (!options_.program && options_.programVersion) {
      if (const std::string bad = CheckIniValue(*options_.programVersion); !bad.empty()) {
        return Fail(Say(Msg::OptionProblem, "--program-version", bad));
      }
      if (iniBytes_) {
        *iniBytes_ = WithVersion(*iniBytes_, kProgramVersionKey, *options_.programVersion);
      } else if (!UpdatedIni(ini_, kProgramVersionKey, *options_.programVersion, iniBytes_.emplace(), error_)) {
        return false;
      }
    }
    if (NothingNew()) {
      std::string why;
      if (!rt::IsFile(ini_) || !ReadFileBytes(ini_, iniBytes_.emplace(), why)) {
        return Fail(
            Say(Msg::NothingToSignAgain, PathToUtf8(ini_), why.empty() ? std::string() : Say(Msg::Because, why)));
      }
      if (const std::string bad = CheckIniFile(*iniBytes_); !bad.empty()) {
        return Fail(Say(Msg::WhereText, PathToUtf8(ini_), bad));
      }
    }
    if (std::string missing = MissingVersion(*iniBytes_); !missing.empty()) return Fail(std::move(missing));
    return true;
  }

  bool Write(StagedOutputs& staged, uint64_t* release) {
    std::string why;
    for (const Copy& copy : copies_) {
      if (!WriteFileBytes(staged.Stage(copy.to), copy.bytes, why)) {
        return Fail(Say(Msg::CannotWrite, PathToUtf8(copy.to), why));
      }
    }
    const std::string withSignatures = *iniBytes_;
    if (!options_.oldSignatures) {
      for (const char* key : {program::kBankSignatureKey, program::kProgramSignatureKey}) {
        *iniBytes_ = rt::WithoutIniKey(*iniBytes_, Gbk(kVersionSection), Gbk(key));
      }
    }
    const fs::path iniStaged = staged.Stage(ini_);
    if (!WriteFileBytes(iniStaged, *iniBytes_, why)) return Fail(Say(Msg::CannotWrite, PathToUtf8(ini_), why));
    if (!signingKey_) {
      if (rt::IsFile(SignedVersionFilePath(zentra_))) {
        signedNotes_.push_back(Say(Msg::SignedFileStale, program::kSignedVersionServerName));
      }
      return true;
    }
    // Written last, so that a program that finds it finds what it names.
    SignedFileInputs inputs{zentra_,
                            *iniBytes_,
                            withSignatures,
                            {},
                            {},
                            options_.release,
                            options_.now.value_or(std::time(nullptr)),
                            FileTime(iniStaged)};
    for (const Copy& copy : copies_) {
      (copy.to.filename() == PathFromUtf8(kArchiveFileName) ? inputs.bank : inputs.program) = copy.bytes;
    }
    const std::optional<SignedFile> signedFile =
        MakeSignedVersionFile(*signingKey_, previousKey_ ? &*previousKey_ : nullptr, inputs, error_, signedNotes_);
    if (!signedFile) return false;
    const fs::path target = SignedVersionFilePath(zentra_);
    if (!WriteFileBytes(staged.Stage(target), signedFile->bytes, why)) {
      return Fail(Say(Msg::CannotWrite, PathToUtf8(target), why));
    }
    if (release) *release = signedFile->release;
    return true;
  }

  // What is worth knowing once the files are in place.
  std::vector<std::string> Notes() const {
    std::vector<std::string> notes;
    if (options_.oldSignatures) notes = UnsignedBesideSigned(zentra_, *iniBytes_);
    notes.insert(notes.end(), signedNotes_.begin(), signedNotes_.end());
    return notes;
  }

 private:
  struct Copy {
    fs::path from, to;
    std::string bytes;
  };

  bool NothingNew() const { return !options_.bank && !options_.programVersion; }
  bool Fail(std::string why) {
    error_ = std::move(why);
    return false;
  }

  // An archive read, checked for its size, and signed; its version, size and
  // signature go into math.ini.
  bool Read(const fs::path& from, std::string_view toName, std::string_view key, std::string_view signatureKey,
            const std::string& version, const char* versionOption) {
    if (const std::string bad = CheckIniValue(version); !bad.empty()) {
      return Fail(Say(Msg::OptionProblem, versionOption, bad));
    }
    // Students' programs take no longer download.
    const size_t limit = key == kBankVersionKey ? kBankArchiveLimit : kProgramArchiveLimit;
    std::error_code sizeError;
    if (const uintmax_t size = fs::file_size(from, sizeError); !sizeError && size > limit) {
      return Fail(Say(Msg::ArchiveTooLarge, PathToUtf8(from), size >> 20, limit >> 20));
    }
    Copy copy{from, zentra_ / PathFromUtf8(toName), {}};
    std::string why;
    if (!ReadFileBytes(from, copy.bytes, why)) return Fail(Say(Msg::CannotRead, PathToUtf8(from), why));
    if (copy.bytes.empty()) return Fail(Say(Msg::FileIsEmpty, PathToUtf8(from)));
    // The archives' own lines are read by programs of the previous key alone.
    const SigningKey* lineKey = previousKey_ ? &*previousKey_ : signingKey_ ? &*signingKey_ : nullptr;
    std::string signature;
    if (lineKey && !SignBytes(*lineKey, copy.bytes, signature, error_)) {
      return Fail(Say(Msg::CannotSign, PathToUtf8(from), error_));
    }
    // The archive's size goes beside its version: students' programs tell a
    // download that broke off without a length by it.
    const std::string size = std::to_string(copy.bytes.size());
    const std::string_view sizeKey = key == kBankVersionKey ? program::kBankSizeKey : program::kProgramSizeKey;
    copies_.push_back(std::move(copy));
    if (!iniBytes_ && !UpdatedIni(ini_, key, version, iniBytes_.emplace(), error_)) return false;
    *iniBytes_ = WithVersion(WithVersion(*iniBytes_, key, version), sizeKey, size);
    *iniBytes_ = WithSignature(*iniBytes_, signatureKey, rt::HexText(signature));
    return true;
  }

  // The program archive is one students' programs take and, signed, carries
  // the key that checks the school's updates.
  bool CheckProgram(std::vector<std::string>* warnings) {
    std::string start;
    if (std::FILE* f = rt::OpenNativeFile(*options_.program, "rb")) {
      start.resize(8);
      start.resize(std::fread(start.data(), 1, start.size(), f));
      std::fclose(f);
    }
    if (!start.empty() && !LooksLikeProgramArchive(start)) {
      return Fail(Say(Msg::NotAProgramArchive, PathToUtf8(*options_.program)));
    }
    if (!signingKey_) return true;
    std::string expected = signingKey_->publicKey;
    std::string source = PathToUtf8(*options_.key);
    if (options_.programPublicKey) {
      const std::optional<std::string> given = ReadPublicKey(*options_.programPublicKey, error_);
      if (!given) return Fail(Say(Msg::OptionProblem, "--program-public-key", error_));
      expected = *given;
      source = *options_.programPublicKey;
    }
    const ProgramKeyCheck check = CheckProgramKey(*options_.program, expected, source);
    if (!check.refusal.empty()) return Fail(check.refusal);
    if (!check.warning.empty() && warnings) warnings->push_back(check.warning);
    return true;
  }

  const PublishOptions& options_;
  std::string& error_;
  const fs::path zentra_, ini_;
  std::optional<SigningKey> signingKey_, previousKey_;
  std::vector<Copy> copies_;
  std::optional<std::string> iniBytes_;  // the version file as it will be
  std::vector<std::string> signedNotes_;
};

}  // namespace

bool Publish(const PublishOptions& options, std::string& error, std::vector<std::string>* notes,
             std::vector<std::string>* warnings, uint64_t* release) {
  if (release) *release = 0;
  PublishRun run(options, error);
  StagedOutputs staged;
  if (!run.Check() || !run.Make(warnings) || !run.Write(staged, release) || !staged.Commit(error)) {
    if (release) *release = 0;
    return false;
  }
  if (notes) *notes = run.Notes();
  return true;
}

}  // namespace banktool
