#include "tools/teacher_kit/banktool/signed_publish.h"

#include <algorithm>

#include "program/file_names.h"
#include "runtime/files/file_system.h"
#include "runtime/data/hex.h"
#include "runtime/data/ini.h"
#include "runtime/crypto/p256_signatures.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/release_number.h"
#include "update/signed_versions.h"

namespace banktool {
namespace {

struct Kind {
  ArchiveKind kind;
  std::string_view fileName, signatureKey;
};
constexpr Kind kKinds[] = {{ArchiveKind::Bank, program::kBankArchiveName, program::kBankSignatureKey},
                           {ArchiveKind::Program, program::kProgramArchiveName, program::kProgramSignatureKey}};

SignedArchive Entry(std::string_view bytes) { return SignedArchive{bytes.size(), rt::Sha256Digest(bytes)}; }

}  // namespace

fs::path SignedVersionFilePath(const fs::path& zentra) {
  return zentra / PathFromUtf8(program::kSignedVersionServerName);
}

std::optional<SignedFile> MakeSignedVersionFile(const SigningKey& key, const SigningKey* previousKey,
                                                const SignedFileInputs& inputs, std::string& error,
                                                std::vector<std::string>& notes) {
  std::vector<const SigningKey*> keys = {&key};
  if (previousKey) keys.push_back(previousKey);
  const fs::path path = SignedVersionFilePath(inputs.zentra);
  const std::string shown = "zentra/" + std::string(program::kSignedVersionServerName);
  std::string current, why;
  if (rt::IsFile(path) && !ReadFileBytes(path, current, why)) {
    error = Say(Msg::CannotRead, PathToUtf8(path), why);
    return std::nullopt;
  }
  const std::optional<SignedVersions> parsed = ParseSignedVersions(current);
  if (!current.empty() && !parsed && !inputs.release) {
    error = Say(Msg::SignedFileUnknown, shown);
    return std::nullopt;
  }
  // Entries of archives that stay are taken only from what these keys signed.
  std::optional<SignedVersions> signedBefore;
  for (const SigningKey* k : keys) {
    if (!signedBefore) signedBefore = VerifiedSignedVersions(current, k->publicKey);
  }

  SignedVersions versions;
  for (const Kind& kind : kKinds) {
    std::optional<SignedArchive>& entry = kind.kind == ArchiveKind::Bank ? versions.bank : versions.program;
    const std::optional<std::string_view>& now = kind.kind == ArchiveKind::Bank ? inputs.bank : inputs.program;
    if (now) {
      entry = Entry(*now);
      continue;
    }
    const fs::path archive = inputs.zentra / PathFromUtf8(kind.fileName);
    std::string bytes;
    if (!rt::IsFile(archive) || !ReadFileBytes(archive, bytes, why)) continue;
    const std::optional<std::string> signature = rt::BytesFromHex(
        rt::IniValue(inputs.versionFileWithSignatures, Gbk(program::kVersionSection), Gbk(kind.signatureKey)).view());
    const bool lineSigned = signature && std::any_of(keys.begin(), keys.end(), [&](const SigningKey* k) {
                              return rt::SignatureMatches(k->publicKey, bytes, *signature);
                            });
    if ((signedBefore && ArchiveMatches(*signedBefore, kind.kind, bytes)) || lineSigned) {
      entry = Entry(bytes);
    } else {
      notes.push_back(Say(Msg::ArchiveNotSignedWithKey, kind.fileName, shown));
    }
  }
  const ReleaseChoice release = ChooseRelease(parsed ? std::optional<uint64_t>(parsed->release) : std::nullopt,
                                              inputs.release, inputs.now, inputs.folderTime);
  notes.insert(notes.end(), release.notes.begin(), release.notes.end());
  if (!release.error.empty()) {
    error = release.error;
    return std::nullopt;
  }
  versions.release = release.number;
  versions.versionFileDigest = rt::Sha256Digest(inputs.versionFile);
  const std::string body = SignedVersionsBody(versions);
  std::vector<std::string> signatures(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!SignBytes(*keys[i], SignedVersionsMessage(body), signatures[i], error)) {
      error = Say(Msg::CannotSign, shown, error);
      return std::nullopt;
    }
  }
  return SignedFile{SignedVersionsFile(body, signatures), versions.release};
}

}  // namespace banktool
