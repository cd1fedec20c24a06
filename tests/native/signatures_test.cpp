// The signature check the program makes before it uses a download (here with
// OpenSSL; the Windows runtime's CNG is checked under Wine), and the rule of
// the update code for programs built with and without a key.
#include "runtime/signatures.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/hex.h"
#include "tests/keys/p256_test_vector.h"
#include "update/signatures.h"

namespace {

std::string Bytes(const char* hex) { return *rt::BytesFromHex(hex); }

TEST(Signatures, ThePublishedSignaturePassesAndAnyChangeFails) {
  const std::string key = Bytes(test_vector::kPublicKey), signature = Bytes(test_vector::kSignature);
  EXPECT_TRUE(rt::SignatureMatches(key, test_vector::kMessage, signature));
  EXPECT_FALSE(rt::SignatureMatches(key, "samplf", signature));
  for (size_t i : {0u, 31u, 32u, 63u}) {
    std::string changed = signature;
    changed[i] ^= 1;
    EXPECT_FALSE(rt::SignatureMatches(key, test_vector::kMessage, changed)) << i;
    changed = key;
    changed[i] ^= 1;  // no longer a point of the curve, or another one
    EXPECT_FALSE(rt::SignatureMatches(changed, test_vector::kMessage, signature)) << i;
  }
  // r and s swapped, a signature or key cut short or too long.
  EXPECT_FALSE(rt::SignatureMatches(key, test_vector::kMessage, signature.substr(32) + signature.substr(0, 32)));
  EXPECT_FALSE(rt::SignatureMatches(key, test_vector::kMessage, signature.substr(1)));
  EXPECT_FALSE(rt::SignatureMatches(key, test_vector::kMessage, signature + '\0'));
  EXPECT_FALSE(rt::SignatureMatches(key.substr(0, 32), test_vector::kMessage, signature));
  EXPECT_FALSE(rt::SignatureMatches(std::string(64, '\0'), test_vector::kMessage, signature));
}

TEST(ArchiveSignatures, WithoutAKeyEverythingIsTakenWithOneOnlyItsSignature) {
  const std::string key = Bytes(test_vector::kPublicKey);
  const std::string lower = rt::HexText(Bytes(test_vector::kSignature));
  for (const std::string& noKey : {std::string(), std::string(64, '\0')}) {
    EXPECT_TRUE(ArchiveSignatureAccepted(noKey, "", "anything"));
  }
  EXPECT_TRUE(ArchiveSignatureAccepted(key, test_vector::kSignature, test_vector::kMessage));
  EXPECT_TRUE(ArchiveSignatureAccepted(key, lower, test_vector::kMessage));
  std::string notHex = lower;
  notHex[0] = 'g';
  for (const std::string& bad : {std::string(), lower.substr(2), lower + "00", notHex, lower + " "}) {
    EXPECT_FALSE(ArchiveSignatureAccepted(key, bad, test_vector::kMessage)) << bad;
  }
  EXPECT_FALSE(ArchiveSignatureAccepted(key, lower, "another archive"));
}

}  // namespace
