// Signatures of downloaded files, checked against a public key built into the
// program: ECDSA over the NIST P-256 curve with SHA-256, the kind Windows'
// CNG and OpenSSL both make and check. Windows: CNG (p256_signatures_win.cpp);
// Linux, for the bank tool and the tests: OpenSSL (p256_signatures_posix.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

// A public key is the curve point X‖Y, a signature r‖s: each half 32 bytes,
// big-endian.
inline constexpr size_t kPublicKeyBytes = 64;
inline constexpr size_t kSignatureBytes = 64;

// Whether `signature` is a signature of `data` by the owner of `publicKey`.
// False for anything malformed as well: a key or a signature of another
// length, a key that is no point of the curve.
bool SignatureMatches(std::string_view publicKey, std::string_view data, std::string_view signature);

// The SHA-256 digest of `data` (32 bytes), which is what is signed; empty
// should the system's hash fail.
std::string Sha256Digest(std::string_view data);

}  // namespace rt
