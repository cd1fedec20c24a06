#include "update/signed_versions.h"

#include <array>
#include <vector>

#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/hex.h"

namespace {

constexpr std::string_view kSection = "[版本签名]";
constexpr std::string_view kReleaseKey = "发布序号";
constexpr std::string_view kVersionFileKey = "版本文件摘要";
constexpr std::string_view kBankSizeKey = "题库大小";
constexpr std::string_view kBankDigestKey = "题库摘要";
constexpr std::string_view kProgramSizeKey = "主程序大小";
constexpr std::string_view kProgramDigestKey = "主程序摘要";
constexpr std::string_view kSignatureKey = "签名";
constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kDigestBytes = 32;

std::string Line(std::string_view key, std::string_view value) {
  return std::string(key) + "=" + std::string(value) + std::string(kLineEnd);
}

std::optional<std::string> Bytes(std::string_view hex, size_t size) {
  std::optional<std::string> bytes = rt::BytesFromHex(hex);
  if (!bytes || bytes->size() != size) return std::nullopt;
  return bytes;
}

// The file split into its signed body and its signatures (64 bytes each).
struct Split {
  std::string_view body;
  std::vector<std::string> signatures;
};
std::optional<Split> SplitFile(std::string_view file) {
  const std::string first = std::string(kLineEnd) + std::string(kSignatureKey) + "=";
  const size_t end = file.find(first);
  if (end == std::string_view::npos) return std::nullopt;
  Split split{file.substr(0, end + kLineEnd.size()), {}};
  std::string_view rest = file.substr(split.body.size());
  const std::string prefix = std::string(kSignatureKey) + "=";
  while (!rest.empty()) {
    const size_t lineEnd = rest.find(kLineEnd);
    if (lineEnd == std::string_view::npos || !rest.starts_with(prefix)) return std::nullopt;
    std::optional<std::string> signature =
        Bytes(rest.substr(prefix.size(), lineEnd - prefix.size()), rt::kSignatureBytes);
    if (!signature) return std::nullopt;
    split.signatures.push_back(std::move(*signature));
    rest.remove_prefix(lineEnd + kLineEnd.size());
  }
  return split;
}

std::optional<SignedVersions> ParseBody(std::string_view body) {
  if (!body.starts_with(std::string(kSection) + std::string(kLineEnd))) return std::nullopt;
  body.remove_prefix(kSection.size() + kLineEnd.size());
  // The values of the keys of its own, each at most once.
  constexpr std::array<std::string_view, 6> kKeys = {kReleaseKey,    kVersionFileKey, kBankSizeKey,
                                                     kBankDigestKey, kProgramSizeKey, kProgramDigestKey};
  std::array<std::optional<std::string_view>, kKeys.size()> values;
  while (!body.empty()) {
    const size_t end = body.find(kLineEnd);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = body.substr(0, end);
    body.remove_prefix(end + kLineEnd.size());
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    for (size_t i = 0; i < kKeys.size(); ++i) {
      if (line.substr(0, equals) != kKeys[i]) continue;
      if (values[i]) return std::nullopt;
      values[i] = line.substr(equals + 1);
    }
  }
  SignedVersions versions;
  const std::optional<uint64_t> release = values[0] ? ParseWholeNumber(*values[0]) : std::nullopt;
  const std::optional<std::string> versionFile = values[1] ? Bytes(*values[1], kDigestBytes) : std::nullopt;
  if (!release || !versionFile) return std::nullopt;
  versions.release = *release;
  versions.versionFileDigest = *versionFile;
  // An archive's two lines go together.
  const auto archive = [&](size_t sizeAt, std::optional<SignedArchive>& into) {
    if (!values[sizeAt] && !values[sizeAt + 1]) return true;
    if (!values[sizeAt] || !values[sizeAt + 1]) return false;
    const std::optional<uint64_t> size = ParseWholeNumber(*values[sizeAt]);
    std::optional<std::string> digest = Bytes(*values[sizeAt + 1], kDigestBytes);
    if (!size || !digest) return false;
    into = SignedArchive{*size, std::move(*digest)};
    return true;
  };
  if (!archive(2, versions.bank) || !archive(4, versions.program)) return std::nullopt;
  return versions;
}

}  // namespace

std::optional<uint64_t> ParseWholeNumber(std::string_view text) {
  if (text.empty() || text.size() > 19 || text[0] == '0') return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value;
}

std::string SignedVersionsBody(const SignedVersions& versions) {
  std::string body = std::string(kSection) + std::string(kLineEnd);
  body += Line(kReleaseKey, std::to_string(versions.release));
  body += Line(kVersionFileKey, rt::HexText(versions.versionFileDigest));
  if (versions.bank) {
    body += Line(kBankSizeKey, std::to_string(versions.bank->size));
    body += Line(kBankDigestKey, rt::HexText(versions.bank->digest));
  }
  if (versions.program) {
    body += Line(kProgramSizeKey, std::to_string(versions.program->size));
    body += Line(kProgramDigestKey, rt::HexText(versions.program->digest));
  }
  return body;
}

std::string SignedVersionsMessage(std::string_view body) {
  return std::string(kSignedVersionsDomain) + std::string(body);
}

std::string SignedVersionsFile(std::string_view body, const std::vector<std::string>& signatures) {
  std::string file(body);
  for (const std::string& signature : signatures) file += Line(kSignatureKey, rt::HexText(signature));
  return file;
}

std::optional<SignedVersions> ParseSignedVersions(std::string_view file) {
  const std::optional<Split> split = SplitFile(file);
  return split ? ParseBody(split->body) : std::nullopt;
}

std::optional<SignedVersions> VerifiedSignedVersions(std::string_view file, std::string_view publicKey) {
  const std::optional<Split> split = SplitFile(file);
  if (!split) return std::nullopt;
  std::optional<SignedVersions> versions = ParseBody(split->body);
  if (!versions) return std::nullopt;
  const std::string message = SignedVersionsMessage(split->body);
  for (const std::string& signature : split->signatures) {
    if (rt::SignatureMatches(publicKey, message, signature)) return versions;
  }
  return std::nullopt;
}

bool ArchiveMatches(const SignedVersions& versions, ArchiveKind kind, std::string_view archive) {
  const std::optional<SignedArchive>& signedArchive = versions.archive(kind);
  if (!signedArchive || signedArchive->size != archive.size()) return false;
  const std::string digest = rt::Sha256Digest(archive);
  return !digest.empty() && digest == signedArchive->digest;
}

OfferCheck CheckServerOffer(std::string_view publicKey, std::string_view signedFile, std::string_view versionFile,
                            std::string_view keptFile) {
  OfferCheck check;
  if (const std::optional<SignedVersions> kept = ParseSignedVersions(keptFile)) check.highestAccepted = kept->release;
  check.versions = VerifiedSignedVersions(signedFile, publicKey);
  if (!check.versions) {
    // A server without the file, or a file stripped or replaced on the way:
    // the way of programs before signed version files, until the program has
    // once accepted one. From then on only the file counts, so that taking
    // it away brings nothing back.
    check.verdict = keptFile.empty() ? OfferVerdict::OldStyle : OfferVerdict::NotSigned;
    return check;
  }
  if (rt::Sha256Digest(versionFile) != check.versions->versionFileDigest) {
    check.verdict = OfferVerdict::VersionFileAltered;
  } else if (check.versions->release < check.highestAccepted) {
    check.verdict = OfferVerdict::ReleaseLowered;
  } else {
    check.verdict = OfferVerdict::Signed;
  }
  return check;
}
