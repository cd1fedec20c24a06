// The school's update signing key: made by `banktool keygen`, used by
// `banktool publish --key` to sign the archives it puts on the update server.
// The programs check each signature against the public key they are built
// with (TESSALY_UPDATE_PUBLIC_KEY) before they use a download: ECDSA P-256
// with SHA-256, as runtime/crypto/p256_signatures.h checks it.
//
// Key files are text. The private key file update-signing-key.txt:
//     # comment lines, and blank lines, are ignored
//     private-key=<64 hexadecimal digits: the secret number d>
//     public-key=<128 hexadecimal digits: X‖Y>
// The public key file update-public-key.txt is one line of the 128 digits of
// X‖Y, the value TESSALY_UPDATE_PUBLIC_KEY takes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

inline constexpr std::string_view kPrivateKeyFileName = "update-signing-key.txt";
inline constexpr std::string_view kPublicKeyFileName = "update-public-key.txt";

struct SigningKey {
  std::string privateKey;  // d, 32 bytes big-endian
  std::string publicKey;   // X‖Y, 64 bytes
};

// A new key pair from the system's random source (signing_posix.cpp: OpenSSL,
// signing_win.cpp: CNG); false with the reason.
bool GenerateSigningKey(SigningKey& key, std::string& error);

// The signature r‖s (64 bytes) of a SHA-256 digest; false with the reason.
bool SignDigest(const SigningKey& key, std::string_view digest, std::string& signature, std::string& error);

// The signature r‖s of `data`; false with the reason.
bool SignBytes(const SigningKey& key, std::string_view data, std::string& signature, std::string& error);

// Writes a new key pair into `folder` (made when missing) as the two files
// above; refuses to replace either file. False with the reason; then neither
// file is left behind.
bool WriteNewKeyPair(const fs::path& folder, std::string& error);

// Reads a private key file. Refused, with the reason: a missing or repeated
// line, digits that are not hexadecimal or not as many as needed, the public
// key file given instead, and a public key that does not belong to the
// private key (a signature made with the one must pass the check with the other).
bool ReadSigningKey(const fs::path& file, SigningKey& key, std::string& error);

}  // namespace banktool
