// Signature checks with OpenSSL, for the bank tool and the tests on Linux.
#include "runtime/crypto/openssl_keys.h"
#include "runtime/crypto/p256_signatures.h"

namespace rt {

using openssl::Owned;

std::string Sha256Digest(std::string_view data) {
  std::string digest(32, '\0');
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), reinterpret_cast<unsigned char*>(digest.data()), &size, EVP_sha256(),
                 nullptr) != 1 ||
      size != digest.size()) {
    return std::string();
  }
  return digest;
}

bool SignatureMatches(std::string_view publicKey, std::string_view data, std::string_view signature) {
  if (publicKey.size() != kPublicKeyBytes || signature.size() != kSignatureBytes) return false;
  const std::string digest = Sha256Digest(data);
  const Owned<EVP_PKEY> key = openssl::P256Key(publicKey);
  if (digest.empty() || !key) return false;
  // OpenSSL takes the signature DER-encoded: a SEQUENCE of the two INTEGERs.
  const auto* rs = reinterpret_cast<const unsigned char*>(signature.data());
  const Owned<ECDSA_SIG> pair(ECDSA_SIG_new());
  BIGNUM* r = BN_bin2bn(rs, 32, nullptr);
  BIGNUM* s = BN_bin2bn(rs + 32, 32, nullptr);
  if (!pair || !r || !s || ECDSA_SIG_set0(pair.get(), r, s) != 1) {
    BN_free(r);
    BN_free(s);
    return false;
  }
  unsigned char* der = nullptr;
  const int derSize = i2d_ECDSA_SIG(pair.get(), &der);
  if (derSize <= 0) return false;
  const Owned<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new(key.get(), nullptr));
  const bool matches = context && EVP_PKEY_verify_init(context.get()) > 0 &&
                       EVP_PKEY_verify(context.get(), der, static_cast<size_t>(derSize),
                                       reinterpret_cast<const unsigned char*>(digest.data()), digest.size()) == 1;
  OPENSSL_free(der);
  return matches;
}

}  // namespace rt
