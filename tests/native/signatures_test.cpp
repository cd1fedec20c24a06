// The signature check the program makes before it uses a download (here with
// OpenSSL; the Windows runtime's CNG is checked under Wine), and the rule of
// the update code for programs built with and without a key.
#include "runtime/crypto/p256_signatures.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/crypto/p256_point.h"
#include "runtime/data/hex.h"
#include "tests/keys/p256_test_vector.h"
#include "update/archive_signatures.h"

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

// The generator, the published key, and points whose x is just below p (the
// sums there carry past 2^256) are points; the same with anything changed,
// a coordinate p or above, and all zeros are not.
TEST(CurvePoints, PointsOfP256AreToldFromOtherBytes) {
  const std::string generator = Bytes(
      "6B17D1F2E12C4247F8BCE6E563A440F277037D812DEB33A0F4A13945D898C296"
      "4FE342E2FE1A7F9B8EE7EB4A7C0F9E162BCE33576B315ECECBB6406837BF51F5");
  const std::string highX = Bytes(
      "ffffffff00000001000000000000000000000000fffffffffffffffffffffffc"
      "19719bebf6aea13f25c96dfd7c71f5225d4c8fc09eb5a0ab9f39e9178e55c121");
  const std::string highXOtherY = Bytes(
      "ffffffff00000001000000000000000000000000fffffffffffffffffffffffc"
      "e68e641309515ec1da369202838e0adda2b37040614a5f5460c616e871aa3ede");
  for (const std::string& point : {generator, highX, highXOtherY, Bytes(test_vector::kPublicKey)}) {
    EXPECT_TRUE(rt::IsP256Point(point)) << rt::HexText(point);
    for (size_t i : {0u, 31u, 32u, 63u}) {
      std::string changed = point;
      changed[i] ^= 1;
      EXPECT_FALSE(rt::IsP256Point(changed)) << rt::HexText(changed);
    }
    EXPECT_FALSE(rt::IsP256Point(point.substr(1)));
    EXPECT_FALSE(rt::IsP256Point(point + '\0'));
  }
  const std::string p = Bytes("ffffffff00000001000000000000000000000000ffffffffffffffffffffffff");
  const std::string y = highX.substr(32);
  // x + p and y + p would pass a check that reduces first.
  EXPECT_FALSE(rt::IsP256Point(p + y));
  EXPECT_FALSE(rt::IsP256Point(generator.substr(0, 32) + std::string(32, '\xFF')));
  EXPECT_FALSE(rt::IsP256Point(std::string(64, '\0')));
}

// Only the slot's "no key", 64 zero bytes, takes every archive; a slot that
// is missing (empty), of another size or no point of the curve takes none.
TEST(ArchiveSignatures, WithoutAKeyEverythingIsTakenWithOneOnlyItsSignature) {
  const std::string key = Bytes(test_vector::kPublicKey);
  const std::string lower = rt::HexText(Bytes(test_vector::kSignature));
  EXPECT_TRUE(ArchiveSignatureAccepted(std::string(64, '\0'), "", "anything"));
  std::string offCurve = key;
  offCurve[63] ^= 1;
  for (const std::string& damaged : {std::string(), std::string(63, '\0'), std::string(65, '\0'),
                                     std::string(64, '\xFF'), key.substr(0, 63), key + '\0', offCurve}) {
    EXPECT_FALSE(ArchiveSignatureAccepted(damaged, "", "anything")) << rt::HexText(damaged);
    EXPECT_FALSE(ArchiveSignatureAccepted(damaged, lower, test_vector::kMessage)) << rt::HexText(damaged);
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
