#include "tools/teacher_kit/banktool/signing.h"

#include <sstream>

#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/hex.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

constexpr std::string_view kPrivateKeyLine = "private-key=";
constexpr std::string_view kPublicKeyLine = "public-key=";

std::string PrivateKeyFileText(const SigningKey& key) {
  return "# The update signing key of 《Tessaly》之填空题练习 (ECDSA P-256), written by banktool keygen.\n"
         "# SECRET: whoever has this file can sign question banks and programs that students' programs\n"
         "# install. Keep it off the update server and out of the program folder; banktool publish --key\n"
         "# reads it.\n" +
         std::string(kPrivateKeyLine) + rt::HexText(key.privateKey) + "\n" + std::string(kPublicKeyLine) +
         rt::HexText(key.publicKey) + "\n";
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Writes a new file; false with the reason, and no file left, when it cannot
// be written. `secret` makes it readable by its owner only before the bytes
// go in.
bool WriteNewFile(const fs::path& path, std::string_view bytes, bool secret, std::string& error) {
  std::string why;
  bool written = !secret || WriteFileBytes(path, "", why);
  if (written && secret) {
    std::error_code ec;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, ec);
  }
  written = written && WriteFileBytes(path, bytes, why);
  if (!written) {
    error = Say(Msg::CannotWrite, PathToUtf8(path), why);
    std::error_code ec;
    fs::remove(path, ec);
  }
  return written;
}

// The bytes of a key line's hexadecimal digits, or the reason they are none.
std::optional<std::string> KeyBytes(std::string_view digits, size_t size, std::string_view line, std::string& error) {
  std::optional<std::string> bytes = rt::BytesFromHex(digits);
  if (!bytes || bytes->size() != size) {
    error = Say(Msg::KeyLineDigits, line, size * 2);
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

bool SignBytes(const SigningKey& key, std::string_view data, std::string& signature, std::string& error) {
  const std::string digest = rt::Sha256Digest(data);
  if (digest.empty()) {
    error = Say(Msg::DigestFailed);
    return false;
  }
  return SignDigest(key, digest, signature, error);
}

bool WriteNewKeyPair(const fs::path& folder, std::string& error) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    error = Say(Msg::KeyFolderBad, PathToUtf8(folder));
    return false;
  }
  SigningKey key;
  if (!GenerateSigningKey(key, error)) return false;
  const fs::path publicFile = folder / PathFromUtf8(kPublicKeyFileName);
  const fs::path privateFile = folder / PathFromUtf8(kPrivateKeyFileName);
  for (const fs::path& file : {privateFile, publicFile}) {
    if (Exists(file)) {
      error = Say(Msg::KeyThere, PathToUtf8(file));
      return false;
    }
  }
  if (!WriteNewFile(publicFile, rt::HexText(key.publicKey) + "\n", false, error)) return false;
  if (!WriteNewFile(privateFile, PrivateKeyFileText(key), true, error)) {
    fs::remove(publicFile, ec);
    return false;
  }
  return true;
}

bool ReadSigningKey(const fs::path& file, SigningKey& key, std::string& error) {
  const std::string name = PathToUtf8(file);
  std::string text, why;
  if (!ReadFileBytes(file, text, why)) {
    error = Say(Msg::CannotRead, name, why);
    return false;
  }
  std::optional<std::string> privateKey, publicKey;
  std::istringstream lines(text);
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (line.ends_with('\r')) line.pop_back();  // a file saved with CR LF line ends
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.starts_with('#')) continue;
    std::optional<std::string>* slot = trimmed.starts_with(kPrivateKeyLine)  ? &privateKey
                                       : trimmed.starts_with(kPublicKeyLine) ? &publicKey
                                                                             : nullptr;
    if (slot == nullptr) {
      error = Say(Msg::KeyFileLine, name, number,
                  rt::BytesFromHex(trimmed) ? Say(Msg::KeyFileBareKey, kPrivateKeyFileName) : Say(Msg::KeyFileBadLine));
      return false;
    }
    if (*slot) {
      error = Say(Msg::KeyFileLine, name, number,
                  Say(Msg::KeyFileRepeats, slot == &privateKey ? kPrivateKeyLine : kPublicKeyLine));
      return false;
    }
    const std::string_view prefix = slot == &privateKey ? kPrivateKeyLine : kPublicKeyLine;
    *slot = KeyBytes(TrimBlanks(trimmed.substr(prefix.size())), slot == &privateKey ? 32 : rt::kPublicKeyBytes, prefix,
                     error);
    if (!*slot) {
      error = Say(Msg::KeyFileLine, name, number, error);
      return false;
    }
  }
  if (!privateKey || !publicKey) {
    error = Say(Msg::KeyFileLacks, name, privateKey ? kPublicKeyLine : kPrivateKeyLine, kPrivateKeyFileName);
    return false;
  }
  key = {*privateKey, *publicKey};
  // A key that signs what its public half does not accept would make every
  // program refuse every update.
  const std::string probe = "Tessaly update signing key check";
  std::string signature;
  if (!SignBytes(key, probe, signature, error) || !rt::SignatureMatches(key.publicKey, probe, signature)) {
    error = Say(Msg::KeyPairMismatch, name);
    return false;
  }
  return true;
}

}  // namespace banktool
