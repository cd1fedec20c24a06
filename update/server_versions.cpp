#include "update/server_versions.h"

#include <mutex>
#include <optional>

#include "program/constant_names.h"
#include "program/file_names.h"
#include "runtime/data/ini.h"
#include "runtime/files/file_access.h"
#include "runtime/files/file_system.h"
#include "runtime/files/ini_files.h"
#include "runtime/files/places.h"
#include "runtime/program.h"
#include "update/archive_signatures.h"
#include "update/download_limits.h"
#include "update/server_probe.h"

using namespace program;

namespace {

constexpr const char* kNoOffer = "，本次不提供升级";

// What the program accepted in this run: math.ini as it was checked, and the
// signed version file that vouched for it. Written by the update check's
// thread or the self-repair on the window's, read by the upgrades.
std::mutex g_lock;
std::optional<std::string> g_checkedVersionFile;
std::optional<SignedVersions> g_acceptedVersions;

rt::ByteSet PublicKey() { return rt::ByteSetConstant(kUpdatePublicKeyConstant); }

rt::Text KeptSignedFile() { return rt::ProgramFile(kSignedVersionFileName); }

std::string Refusal(const OfferCheck& check) {
  switch (check.verdict) {
    case OfferVerdict::VersionFileAltered:
      return std::string("升级信息math.ini与其签名不符（可能被篡改）") + kNoOffer;
    case OfferVerdict::ReleaseLowered:
      return "升级信息的发布序号" + std::to_string(check.versions->release) + "低于本程序已接受的发布序号" +
             std::to_string(check.highestAccepted) + "（可能是旧的升级信息）" + kNoOffer;
    case OfferVerdict::NotSigned:
    case OfferVerdict::Signed:
    case OfferVerdict::OldStyle:
      break;
  }
  return std::string("升级信息没有有效的签名（服务器的") + kServerSignedVersionFile + "缺失或签名不符）" + kNoOffer;
}

}  // namespace

ServerVersions FetchServerVersions() {
  const rt::ByteSet fetched = FetchServerFile(kServerVersionFile, kVersionFileLimit);
  ServerVersions result{ServerVersions::Outcome::Taken, std::string(fetched.view()), {}};
  const rt::ByteSet publicKey = PublicKey();
  rt::ByteSet signedFile, kept;
  if (ChecksSignatures(publicKey.view())) {
    signedFile = FetchServerFile(kServerSignedVersionFile, kVersionFileLimit);
    kept = rt::ReadWholeFile(KeptSignedFile());
    const OfferCheck check = CheckServerOffer(publicKey.view(), signedFile.view(), result.versionFile, kept.view());
    if (check.verdict != OfferVerdict::Signed && check.verdict != OfferVerdict::OldStyle) {
      result.outcome = ServerVersions::Outcome::Refused;
      result.refusal = Refusal(check);
      return result;
    }
    if (check.verdict == OfferVerdict::Signed) {
      const std::lock_guard<std::mutex> lock(g_lock);
      g_checkedVersionFile = result.versionFile;
      g_acceptedVersions = check.versions;
    } else {
      signedFile = rt::ByteSet();  // nothing to keep
    }
  }
  if (!rt::WriteWholeFile(rt::ProgramFile(kServerVersionFileName), fetched)) {
    result.outcome = ServerVersions::Outcome::NotWritable;
    return result;
  }
  // The accepted file raises the release number no later offer may go below
  // (it is never lower than the kept one), and ends the old way for good.
  // Replaced as a whole, so that a cut-off write leaves the old one.
  if (!signedFile.empty() && signedFile.view() != kept.view() &&
      !rt::WriteFileReplacing(rt::NativePath(KeptSignedFile()), signedFile.view())) {
    result.outcome = ServerVersions::Outcome::NotWritable;
  }
  return result;
}

rt::Text ServerVersionItem(const char* key) {
  {
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_checkedVersionFile) return rt::IniValue(*g_checkedVersionFile, kVersionSection, key);
  }
  return rt::ReadIniItem(rt::ProgramFile(kServerVersionFileName), kVersionSection, key);
}

void RecordServerVersion(const char* key) {
  rt::WriteIniItem(rt::ProgramFile(kVersionFileName), kVersionSection, key, ServerVersionItem(key));
}

bool DownloadedArchiveAccepted(const rt::ByteSet& archive, ArchiveKind kind) {
  const rt::ByteSet publicKey = PublicKey();
  if (!ChecksSignatures(publicKey.view())) return true;
  {
    const std::lock_guard<std::mutex> lock(g_lock);
    if (g_acceptedVersions) return ArchiveMatches(*g_acceptedVersions, kind, archive.view());
  }
  if (!rt::ReadWholeFile(KeptSignedFile()).empty()) return false;
  const rt::Text signature = ServerVersionItem(kind == ArchiveKind::Bank ? kBankSignatureKey : kProgramSignatureKey);
  return ArchiveSignatureAccepted(publicKey.view(), signature.view(), archive.view());
}
