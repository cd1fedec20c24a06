#include "update/signatures.h"

#include <optional>
#include <string>

#include "runtime/hex.h"
#include "runtime/signatures.h"

bool ArchiveSignatureAccepted(std::string_view publicKey, std::string_view signatureText, std::string_view archive) {
  if (publicKey.find_first_not_of('\0') == std::string_view::npos) return true;
  const std::optional<std::string> signature = rt::BytesFromHex(signatureText);
  return signature && rt::SignatureMatches(publicKey, archive, *signature);
}
