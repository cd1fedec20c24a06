// Key pairs and signatures with OpenSSL.
#include <openssl/err.h>

#include "runtime/crypto/openssl_keys.h"
#include "runtime/crypto/p256_signatures.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/signing.h"

namespace banktool {
namespace {

using rt::openssl::Owned;

// OpenSSL's reason for the last failure.
std::string OpenSslError(Msg what) {
  std::string reason = Say(Msg::UnknownReason);
  if (const unsigned long code = ERR_get_error()) {
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    reason = text;
  }
  return Say(Msg::CryptoFailed, Say(what), reason);
}

}  // namespace

bool GenerateSigningKey(SigningKey& key, std::string& error) {
  const Owned<EVP_PKEY> made(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
  BIGNUM* d = nullptr;
  unsigned char point[1 + rt::kPublicKeyBytes];
  size_t pointSize = 0;
  if (!made || EVP_PKEY_get_bn_param(made.get(), OSSL_PKEY_PARAM_PRIV_KEY, &d) != 1 ||
      EVP_PKEY_get_octet_string_param(made.get(), OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point, &pointSize) != 1 ||
      pointSize != sizeof point || point[0] != 0x04) {
    BN_clear_free(d);
    error = OpenSslError(Msg::MakingKeyPair);
    return false;
  }
  const Owned<BIGNUM> secret(d);
  key.privateKey.assign(32, '\0');
  BN_bn2binpad(secret.get(), reinterpret_cast<unsigned char*>(key.privateKey.data()), 32);
  key.publicKey.assign(reinterpret_cast<const char*>(point + 1), rt::kPublicKeyBytes);
  return true;
}

bool SignDigest(const SigningKey& key, std::string_view digest, std::string& signature, std::string& error) {
  const Owned<EVP_PKEY> keyPair = rt::openssl::P256Key(key.publicKey, key.privateKey);
  const Owned<EVP_PKEY_CTX> context(keyPair ? EVP_PKEY_CTX_new(keyPair.get(), nullptr) : nullptr);
  unsigned char der[80];  // a DER-encoded P-256 signature takes at most 72 bytes
  size_t derSize = sizeof der;
  if (!context || EVP_PKEY_sign_init(context.get()) <= 0 ||
      EVP_PKEY_sign(context.get(), der, &derSize, reinterpret_cast<const unsigned char*>(digest.data()),
                    digest.size()) <= 0) {
    error = OpenSslError(Msg::SigningWithKey);
    return false;
  }
  // OpenSSL writes DER, a SEQUENCE of the INTEGERs r and s; the programs take
  // r‖s, each left-padded to 32 bytes.
  const unsigned char* read = der;
  const Owned<ECDSA_SIG> rs(d2i_ECDSA_SIG(nullptr, &read, static_cast<long>(derSize)));
  if (!rs) {
    error = OpenSslError(Msg::ReadingSignature);
    return false;
  }
  signature.assign(rt::kSignatureBytes, '\0');
  auto* out = reinterpret_cast<unsigned char*>(signature.data());
  BN_bn2binpad(ECDSA_SIG_get0_r(rs.get()), out, 32);
  BN_bn2binpad(ECDSA_SIG_get0_s(rs.get()), out + 32, 32);
  return true;
}

}  // namespace banktool
