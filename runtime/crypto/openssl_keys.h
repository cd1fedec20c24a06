// OpenSSL's objects as the signature code on Linux holds them (the runtime's
// check, the bank tool's signing): owned pointers, and P-256 keys made from
// their raw halves.
#pragma once

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <memory>
#include <string>
#include <string_view>

namespace rt::openssl {

struct Freer {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
  void operator()(ECDSA_SIG* signature) const { ECDSA_SIG_free(signature); }
  void operator()(BIGNUM* number) const { BN_clear_free(number); }
  void operator()(OSSL_PARAM_BLD* builder) const { OSSL_PARAM_BLD_free(builder); }
  void operator()(OSSL_PARAM* params) const { OSSL_PARAM_free(params); }
};
template <typename T>
using Owned = std::unique_ptr<T, Freer>;

// The P-256 key of the point X‖Y (64 bytes) and, when given, of its secret
// number d (32 bytes, big-endian); null when they make no key (a point off
// the curve).
inline Owned<EVP_PKEY> P256Key(std::string_view xy, std::string_view d = {}) {
  std::string point(1, '\x04');  // uncompressed
  point.append(xy);
  const Owned<OSSL_PARAM_BLD> builder(OSSL_PARAM_BLD_new());
  const Owned<BIGNUM> secret(
      d.empty() ? nullptr
                : BN_bin2bn(reinterpret_cast<const unsigned char*>(d.data()), static_cast<int>(d.size()), nullptr));
  if (!builder || (!d.empty() && !secret) ||
      !OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0) ||
      (secret && !OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_PRIV_KEY, secret.get())) ||
      !OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size())) {
    return nullptr;
  }
  const Owned<OSSL_PARAM> params(OSSL_PARAM_BLD_to_param(builder.get()));
  const Owned<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* key = nullptr;
  if (!params || !context || EVP_PKEY_fromdata_init(context.get()) <= 0 ||
      EVP_PKEY_fromdata(context.get(), &key, secret ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params.get()) <= 0) {
    return nullptr;
  }
  return Owned<EVP_PKEY>(key);
}

}  // namespace rt::openssl
