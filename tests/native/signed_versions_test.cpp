// The signed version file: what the bank tool writes and what a program with
// a key takes from it, the program's verdict on a server's offer, and the
// release number a publish chooses.
#include "update/signed_versions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/hex.h"
#include "runtime/data/ini.h"
#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/publish.h"
#include "tools/teacher_kit/banktool/release_number.h"
#include "tools/teacher_kit/banktool/signing.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "update/archive_signatures.h"
#include "update/versions.h"

namespace {

using namespace banktool;
using namespace banktool_test;

class SignedVersionFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(GenerateSigningKey(key_, error) && GenerateSigningKey(other_, error)) << error;
    versions_.release = 20261209081530;
    versions_.versionFileDigest = rt::Sha256Digest(kVersionFile);
    versions_.bank = SignedArchive{kBank.size(), rt::Sha256Digest(kBank)};
  }
  // The file of this body signed (over the domain and the body) by `key`.
  std::string Signed(const std::string& body, const SigningKey& key) const {
    std::string signature, error;
    EXPECT_TRUE(SignBytes(key, SignedVersionsMessage(body), signature, error)) << error;
    return SignedVersionsFile(body, {signature});
  }
  std::string Signed(const std::string& body) const { return Signed(body, key_); }

  const std::string kVersionFile = Gbk("[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n");
  const std::string kBank = "PK\x03\x04 the bank";
  SigningKey key_, other_;
  SignedVersions versions_;
};

TEST_F(SignedVersionFile, ReadsBackWhatIsSignedAndNothingElse) {
  const std::string body = SignedVersionsBody(versions_);
  EXPECT_EQ(body, Gbk("[版本签名]\r\n发布序号=20261209081530\r\n版本文件摘要=" +
                      rt::HexText(versions_.versionFileDigest) + "\r\n题库大小=" + std::to_string(kBank.size()) +
                      "\r\n题库摘要=" + rt::HexText(versions_.bank->digest) + "\r\n"));
  const std::string file = Signed(body);
  const std::optional<SignedVersions> read = VerifiedSignedVersions(file, key_.publicKey);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->release, versions_.release);
  EXPECT_EQ(read->versionFileDigest, versions_.versionFileDigest);
  EXPECT_FALSE(read->program);
  EXPECT_TRUE(ArchiveMatches(*read, ArchiveKind::Bank, kBank));

  // Bound to its kind, its size and its bytes.
  EXPECT_FALSE(ArchiveMatches(*read, ArchiveKind::Program, kBank)) << "a bank's entry is no program's";
  EXPECT_FALSE(ArchiveMatches(*read, ArchiveKind::Bank, kBank + "x"));
  std::string altered = kBank;
  altered.back() ^= 1;
  EXPECT_FALSE(ArchiveMatches(*read, ArchiveKind::Bank, altered));

  // Changed on the way, or signed by another key: nothing.
  std::string changed = file;
  changed[body.find("20261209") + 3] ^= 1;
  EXPECT_FALSE(VerifiedSignedVersions(changed, key_.publicKey));
  EXPECT_TRUE(ParseSignedVersions(changed)) << "the form is still right";
  EXPECT_FALSE(VerifiedSignedVersions(Signed(body, other_), key_.publicKey));
  EXPECT_FALSE(VerifiedSignedVersions(file, other_.publicKey));
  // Signed with two keys while a school changes its key: good for either.
  const std::string both = file + Signed(body, other_).substr(body.size());
  EXPECT_TRUE(VerifiedSignedVersions(both, key_.publicKey));
  EXPECT_TRUE(VerifiedSignedVersions(both, other_.publicKey));
  EXPECT_FALSE(ParseSignedVersions(file + Gbk("发布序号=1\r\n") + both.substr(file.size())));

  // Signatures of the one never pass for the other: the file's signature is
  // no archive signature of its body, what it signs is no archive a program
  // takes, and an archive-style signature of the body signs no file.
  const std::string fileSignature = *rt::BytesFromHex(file.substr(file.rfind('=') + 1, 128));
  EXPECT_FALSE(ArchiveSignatureAccepted(key_.publicKey, rt::HexText(fileSignature), body));
  EXPECT_FALSE(LooksLikeProgramArchive(SignedVersionsMessage(body)));
  std::string archiveSignature, error;
  ASSERT_TRUE(SignBytes(key_, body, archiveSignature, error)) << error;
  EXPECT_FALSE(VerifiedSignedVersions(SignedVersionsFile(body, {archiveSignature}), key_.publicKey));

  // Signed, but out of form.
  const std::string release = Gbk("发布序号=20261209081530\r\n");
  const std::string bankSize = Gbk("题库大小=" + std::to_string(kBank.size()) + "\r\n");
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = body;
    text.replace(text.find(from), from.size(), to);
    return text;
  };
  for (const std::string& bad : {replaced(release, release + release), replaced(release, Gbk("发布序号=0\r\n")),
                                 replaced(release, Gbk("发布序号=020261209\r\n")), replaced(release, ""),
                                 replaced(bankSize, ""), replaced("\r\n", "\n"), body.substr(body.find("\r\n") + 2)}) {
    EXPECT_FALSE(ParseSignedVersions(Signed(bad))) << bad;
  }
  EXPECT_FALSE(ParseSignedVersions(file + "\r\n"));
  EXPECT_FALSE(ParseSignedVersions(file.substr(0, file.size() - 2)));
  EXPECT_TRUE(ParseSignedVersions(Signed(body + Gbk("说明=a later tool's key\r\n")))) << "other keys are passed over";
}

// The program's verdict on what the server offers.
TEST_F(SignedVersionFile, AnOfferIsTakenOnlyAsSignedAndNeverBelowTheKeptRelease) {
  const std::string good = Signed(SignedVersionsBody(versions_));
  const std::string notFound = "<html><head><title>404 Not Found</title></head></html>\r\n";
  const auto verdict = [&](const std::string& signedFile, const std::string& versionFile, const std::string& kept) {
    return CheckServerOffer(key_.publicKey, signedFile, versionFile, kept).verdict;
  };
  const auto keptAt = [&](uint64_t release) {
    SignedVersions kept = versions_;
    kept.release = release;
    return Signed(SignedVersionsBody(kept));
  };
  EXPECT_EQ(verdict(good, kVersionFile, ""), OfferVerdict::Signed);
  EXPECT_EQ(verdict(good, kVersionFile + Gbk("[通知]\r\n明天放假\r\n"), ""), OfferVerdict::VersionFileAltered);
  // Without a good file: the old way, until the program has kept one.
  EXPECT_EQ(verdict(notFound, kVersionFile, ""), OfferVerdict::OldStyle);
  EXPECT_EQ(verdict(Signed(SignedVersionsBody(versions_), other_), kVersionFile, ""), OfferVerdict::OldStyle);
  EXPECT_EQ(verdict(notFound, kVersionFile, good), OfferVerdict::NotSigned);
  EXPECT_EQ(verdict("", kVersionFile, "damaged"), OfferVerdict::NotSigned);
  // The release number never goes down; the same one again is taken.
  EXPECT_EQ(verdict(good, kVersionFile, keptAt(versions_.release + 1)), OfferVerdict::ReleaseLowered);
  EXPECT_EQ(verdict(good, kVersionFile, keptAt(versions_.release)), OfferVerdict::Signed);
  EXPECT_EQ(verdict(good, kVersionFile, keptAt(1)), OfferVerdict::Signed);
  EXPECT_EQ(CheckServerOffer(key_.publicKey, good, kVersionFile, keptAt(99999999999999)).highestAccepted,
            99999999999999u);
}

// max(the server's number + 1, the clock's stamp); --release outright; a
// clock far ahead of the server folder's refused.
TEST(ReleaseNumber, RisesWhateverTheClockAndRefusesAClockFarAhead) {
  std::tm date{};
  date.tm_year = 2026 - 1900;
  date.tm_mon = 11;
  date.tm_mday = 9;
  date.tm_hour = 8;
  date.tm_min = 15;
  date.tm_sec = 30;
  date.tm_isdst = -1;
  const std::time_t now = std::mktime(&date);
  EXPECT_EQ(ClockStamp(now), 20261209081530u);
  EXPECT_EQ(ChooseRelease(std::nullopt, std::nullopt, now, now).number, 20261209081530u);
  EXPECT_EQ(ChooseRelease(20251201000000, std::nullopt, now, now).number, 20261209081530u);
  const ReleaseChoice ahead = ChooseRelease(20271209000000, std::nullopt, now, now);
  EXPECT_EQ(ahead.number, 20271209000001u) << "after a PC whose clock ran ahead, one more";
  EXPECT_EQ(ahead.notes.size(), 1u);
  EXPECT_EQ(ChooseRelease(20261209081530, std::nullopt, now, now).number, 20261209081531u);

  const ReleaseChoice given = ChooseRelease(20271209000000, std::string("7"), now, std::nullopt);
  EXPECT_EQ(given.number, 7u);
  ASSERT_EQ(given.notes.size(), 1u);
  EXPECT_NE(given.notes[0].find("refuse this release"), std::string::npos);
  for (const char* bad : {"", "0", "07", "1e5", "-3", "12345678901234567890"}) {
    const ReleaseChoice refused = ChooseRelease(std::nullopt, std::string(bad), now, std::nullopt);
    EXPECT_EQ(refused.number, 0u) << bad;
    EXPECT_NE(refused.error.find("--release"), std::string::npos) << bad;
  }
  EXPECT_EQ(ChooseRelease(std::nullopt, std::nullopt, now, now - 20 * 3600).number, 20261209081530u);
  const ReleaseChoice farAhead = ChooseRelease(std::nullopt, std::nullopt, now, now - 2 * 24 * 3600);
  EXPECT_EQ(farAhead.number, 0u);
  EXPECT_NE(farAhead.error.find("Set the clock right"), std::string::npos) << farAhead.error;
  EXPECT_EQ(ChooseRelease(std::nullopt, std::string("99991231235959"), now, now - 9 * 24 * 3600).number,
            99991231235959u)
      << "--release is taken from any PC";
}

// A school publishes with the key from two PCs, edits the notice, rebuilds
// its server folder, and at last drops the old signature lines.
TEST(SignedPublish, TheSignedVersionFileVouchesForWhatTheServerOffers) {
  ScratchFolder dir;
  SigningKey key;
  ASSERT_NO_FATAL_FAILURE(PreparePublishing(dir, key));
  std::string error;
  const fs::path server = dir / "server", zentra = server / "zentra";
  const std::time_t now = std::time(nullptr);
  const auto publish = [&](PublishOptions options, std::time_t clock) {
    options.server = server;
    options.key = dir / "keys/update-signing-key.txt";
    options.now = clock;
    std::string why;
    std::vector<std::string> notes;
    uint64_t release = 0;
    EXPECT_TRUE(Publish(options, why, &notes, nullptr, &release)) << why;
    return release;
  };
  PublishOptions bank;
  bank.bank = dir / "bank";
  bank.bankVersion = "1";
  bank.programVersion = "1.0.2";
  PublishOptions program;
  program.program = dir / "program.rar";
  program.programVersion = "1.0.3";
  // What the file says now, checked with the key, against the server's files.
  const auto vouched = [&]() -> std::optional<SignedVersions> {
    std::optional<SignedVersions> read = VerifiedSignedVersions(ReadAll(zentra / "math-signed.ini"), key.publicKey);
    EXPECT_TRUE(read);
    if (read) {
      EXPECT_EQ(read->versionFileDigest, rt::Sha256Digest(ReadAll(zentra / "math.ini")));
    }
    return read;
  };
  const auto ini = [&](const char* item) {
    return std::string(rt::IniValue(ReadAll(zentra / "math.ini"), Gbk("版本信息"), Gbk(item)).view());
  };

  const uint64_t first = publish(bank, now);
  EXPECT_EQ(first, ClockStamp(now));
  std::optional<SignedVersions> read = vouched();
  ASSERT_TRUE(read);
  EXPECT_TRUE(ArchiveMatches(*read, ArchiveKind::Bank, ReadAll(zentra / "bank.zip")));
  EXPECT_FALSE(read->program);
  // Programs handed out before the file still find their line.
  EXPECT_TRUE(ArchiveSignatureAccepted(key.publicKey, ini("题库签名"), ReadAll(zentra / "bank.zip")));

  // From a second PC whose clock runs a day behind: the number still rises,
  // and the bank, signed before, stays vouched for.
  const uint64_t second = publish(program, now - 24 * 3600);
  EXPECT_EQ(second, first + 1);
  read = vouched();
  ASSERT_TRUE(read && read->bank && read->program);
  EXPECT_TRUE(ArchiveMatches(*read, ArchiveKind::Program, ReadAll(zentra / "zentra.rar")));

  // A notice typed into math.ini is vouched for once signed again.
  WriteAll(zentra / "math.ini", ReadAll(zentra / "math.ini") + Gbk("[通知]\r\n下周一更新题库\r\n"));
  EXPECT_EQ(publish({}, now + 60), ClockStamp(now + 60));
  vouched();

  // A folder rebuilt from nothing, later: the clock's stamp is above all before.
  fs::remove_all(zentra);
  const uint64_t rebuilt = publish(bank, now + 120);
  EXPECT_GT(rebuilt, ClockStamp(now + 60));

  // Without the old lines, math.ini is the versions and sizes again; the file
  // still vouches for both archives, the program's carried over.
  publish(program, now + 180);
  PublishOptions dropped;
  dropped.oldSignatures = false;
  publish(dropped, now + 240);
  EXPECT_EQ(
      ReadAll(zentra / "math.ini"),
      Gbk("[版本信息]\r\n题库版本=1\r\n题库大小=" + std::to_string(ReadAll(zentra / "bank.zip").size()) +
          "\r\n主程序版本=1.0.3\r\n主程序大小=" + std::to_string(ReadAll(zentra / "zentra.rar").size()) + "\r\n"));
  read = vouched();
  ASSERT_TRUE(read && read->bank && read->program);

  // A clock far ahead of the server folder's changes nothing.
  const auto before = Snapshot(server);
  PublishOptions farAhead;
  farAhead.server = server;
  farAhead.key = dir / "keys/update-signing-key.txt";
  farAhead.now = now + 3 * 24 * 3600;
  EXPECT_FALSE(Publish(farAhead, error));
  EXPECT_NE(error.find("Set the clock right"), std::string::npos) << error;
  EXPECT_EQ(Snapshot(server), before);

  // A change of key: the new key and the previous one both sign the file,
  // the archives' lines are the previous key's, whose programs read them.
  ASSERT_EQ(Tool({"keygen", "--out", PathToUtf8(dir / "new-keys")}).code, 0);
  SigningKey newKey;
  ASSERT_TRUE(ReadSigningKey(dir / "new-keys/update-signing-key.txt", newKey, error)) << error;
  PublishOptions change = bank;
  change.server = server;
  change.key = dir / "new-keys/update-signing-key.txt";
  change.previousKey = dir / "keys/update-signing-key.txt";
  change.now = now + 300;
  ASSERT_TRUE(Publish(change, error)) << error;
  for (const SigningKey* k : {&key, &newKey}) {
    EXPECT_TRUE(VerifiedSignedVersions(ReadAll(zentra / "math-signed.ini"), k->publicKey));
  }
  EXPECT_TRUE(ArchiveSignatureAccepted(key.publicKey, ini("题库签名"), ReadAll(zentra / "bank.zip")));
}

}  // namespace
