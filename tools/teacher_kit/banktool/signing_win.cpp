// Key pairs and signatures with Windows' CNG.
#include <windows.h>
#include <bcrypt.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/crypto/p256_signatures.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/signing.h"

namespace banktool {
namespace {

// BCRYPT_ECCPRIVATE_BLOB: the header, then X, Y and d.
constexpr size_t kBlobSize = sizeof(BCRYPT_ECCKEY_BLOB) + rt::kPublicKeyBytes + 32;

std::string Failure(Msg what, NTSTATUS status) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(status));
  return Say(Msg::CryptoFailedStatus, Say(what), code);
}

// The ECDSA P-256 provider and a key of it, released when they go.
class EcdsaKey {
 public:
  EcdsaKey() { status_ = BCryptOpenAlgorithmProvider(&provider_, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0); }
  ~EcdsaKey() {
    if (key_) BCryptDestroyKey(key_);
    if (provider_) BCryptCloseAlgorithmProvider(provider_, 0);
  }
  EcdsaKey(const EcdsaKey&) = delete;
  EcdsaKey& operator=(const EcdsaKey&) = delete;

  bool Generate() {
    return Ok() && Step(BCryptGenerateKeyPair(provider_, &key_, 256, 0)) && Step(BCryptFinalizeKeyPair(key_, 0));
  }
  bool Import(const SigningKey& key) {
    std::vector<UCHAR> blob(kBlobSize);
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.publicKey.data(), rt::kPublicKeyBytes);
    std::memcpy(blob.data() + sizeof header + rt::kPublicKeyBytes, key.privateKey.data(), 32);
    const bool imported = Ok() && Step(BCryptImportKeyPair(provider_, nullptr, BCRYPT_ECCPRIVATE_BLOB, &key_,
                                                           blob.data(), static_cast<ULONG>(blob.size()), 0));
    SecureZeroMemory(blob.data(), blob.size());
    return imported;
  }
  bool Export(SigningKey& key) {
    std::vector<UCHAR> blob(kBlobSize);
    ULONG size = 0;
    if (!Ok() || !Step(BCryptExportKey(key_, nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
                                       static_cast<ULONG>(blob.size()), &size, 0))) {
      return false;
    }
    const char* bytes = reinterpret_cast<const char*>(blob.data()) + sizeof(BCRYPT_ECCKEY_BLOB);
    key.publicKey.assign(bytes, rt::kPublicKeyBytes);
    key.privateKey.assign(bytes + rt::kPublicKeyBytes, 32);
    SecureZeroMemory(blob.data(), blob.size());
    return size == kBlobSize;
  }
  bool Sign(std::string_view digest, std::string& signature) {
    std::string hash(digest);
    signature.assign(rt::kSignatureBytes, '\0');
    ULONG size = 0;
    return Ok() &&
           Step(BCryptSignHash(key_, nullptr, reinterpret_cast<PUCHAR>(hash.data()), static_cast<ULONG>(hash.size()),
                               reinterpret_cast<PUCHAR>(signature.data()), static_cast<ULONG>(signature.size()), &size,
                               0)) &&
           size == rt::kSignatureBytes;
  }
  NTSTATUS status() const { return status_; }

 private:
  bool Ok() const { return status_ >= 0; }
  bool Step(NTSTATUS status) {
    status_ = status;
    return Ok();
  }

  BCRYPT_ALG_HANDLE provider_ = nullptr;
  BCRYPT_KEY_HANDLE key_ = nullptr;
  NTSTATUS status_ = 0;
};

}  // namespace

bool GenerateSigningKey(SigningKey& key, std::string& error) {
  EcdsaKey made;
  if (made.Generate() && made.Export(key)) return true;
  error = Failure(Msg::MakingKeyPair, made.status());
  return false;
}

bool SignDigest(const SigningKey& key, std::string_view digest, std::string& signature, std::string& error) {
  EcdsaKey imported;
  if (imported.Import(key) && imported.Sign(digest, signature)) return true;
  error = Failure(Msg::SigningWithKey, imported.status());
  return false;
}

}  // namespace banktool
