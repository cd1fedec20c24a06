#include "update/archive_signatures.h"

#include <optional>
#include <string>

#include "runtime/crypto/p256_point.h"
#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/hex.h"

bool ChecksSignatures(std::string_view publicKey) {
  // Only the slot's own "no key", its 64 bytes all zero, lets everything
  // through. A slot that is missing, of another size or not a point of the
  // curve is a damaged program, which must not fall back to taking whatever
  // the network hands it.
  return publicKey.size() != rt::kPublicKeyBytes || publicKey.find_first_not_of('\0') != std::string_view::npos;
}

bool ArchiveSignatureAccepted(std::string_view publicKey, std::string_view signatureText, std::string_view archive) {
  if (!ChecksSignatures(publicKey)) return true;
  if (!rt::IsP256Point(publicKey)) return false;
  const std::optional<std::string> signature = rt::BytesFromHex(signatureText);
  return signature && rt::SignatureMatches(publicKey, archive, *signature);
}
