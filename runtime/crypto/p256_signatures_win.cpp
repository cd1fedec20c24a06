// Signature checks with Windows' CNG. Only calls that Windows 7 has: the
// hash object's memory is the caller's (BCryptHash and the pseudo-handles
// came with Windows 10).
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/crypto/p256_signatures.h"

namespace rt {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

// An algorithm provider, closed when it goes.
class Provider {
 public:
  explicit Provider(const wchar_t* algorithm) {
    if (!Succeeded(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0))) handle_ = nullptr;
  }
  ~Provider() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

}  // namespace

std::string Sha256Digest(std::string_view data) {
  const Provider sha256(BCRYPT_SHA256_ALGORITHM);
  if (!sha256.get()) return std::string();
  DWORD objectSize = 0, got = 0;
  if (!Succeeded(BCryptGetProperty(sha256.get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&objectSize),
                                   sizeof objectSize, &got, 0))) {
    return std::string();
  }
  std::vector<UCHAR> object(objectSize);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!Succeeded(BCryptCreateHash(sha256.get(), &hash, object.data(), objectSize, nullptr, 0, 0))) {
    return std::string();
  }
  bool hashed = true;
  // In pieces: the call takes a 32-bit length.
  for (size_t done = 0; hashed && done < data.size();) {
    const ULONG piece = static_cast<ULONG>(std::min<size_t>(data.size() - done, 1u << 30));
    hashed = Succeeded(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + done)), piece, 0));
    done += piece;
  }
  std::string digest(32, '\0');
  hashed = hashed && Succeeded(BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()), 32, 0));
  BCryptDestroyHash(hash);
  return hashed ? digest : std::string();
}

bool SignatureMatches(std::string_view publicKey, std::string_view data, std::string_view signature) {
  if (publicKey.size() != kPublicKeyBytes || signature.size() != kSignatureBytes) return false;
  std::string digest = Sha256Digest(data);
  if (digest.empty()) return false;
  const Provider ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa.get()) return false;
  // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
  std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + kPublicKeyBytes);
  const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, publicKey.data(), kPublicKeyBytes);
  BCRYPT_KEY_HANDLE key = nullptr;
  if (!Succeeded(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                                     static_cast<ULONG>(blob.size()), 0))) {
    return false;
  }
  std::string rs(signature);
  const NTSTATUS verdict =
      BCryptVerifySignature(key, nullptr, reinterpret_cast<PUCHAR>(digest.data()), static_cast<ULONG>(digest.size()),
                            reinterpret_cast<PUCHAR>(rs.data()), static_cast<ULONG>(rs.size()), 0);
  BCryptDestroyKey(key);
  return verdict == 0;
}

}  // namespace rt
