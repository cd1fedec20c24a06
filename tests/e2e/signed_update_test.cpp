// Updates of a program built with an update public key (the test key of
// tests/keys/, in tessaly-test-key.exe): only archives whose signature in the
// server's version file matches are installed or saved; anything else changes
// nothing. Also Windows' own signing and checking (CNG) under Wine.
#include <string>
#include <vector>

#include "program/control_ids.h"
#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/hex.h"
#include "tests/e2e/update_fixture.h"
#include "tests/keys/p256_test_vector.h"
#include "tools/teacher_kit/banktool/signing.h"

using namespace program;

namespace e2e {
namespace {

// CNG accepts the published signature, as OpenSSL does (tests/native), so the
// programs accept what banktool signs on Linux; and what banktool.exe makes
// and signs with CNG passes too.
TEST(CngSignatures, ThePublishedSignatureAndTheBankToolsOwnPass) {
  const std::string key = *rt::BytesFromHex(test_vector::kPublicKey);
  std::string signature = *rt::BytesFromHex(test_vector::kSignature);
  EXPECT_TRUE(rt::SignatureMatches(key, test_vector::kMessage, signature));
  signature[40] ^= 1;
  EXPECT_FALSE(rt::SignatureMatches(key, test_vector::kMessage, signature));

  banktool::SigningKey made;
  std::string error;
  ASSERT_TRUE(banktool::GenerateSigningKey(made, error)) << error;
  ASSERT_TRUE(banktool::SignBytes(made, "zentra.rar", signature, error)) << error;
  EXPECT_TRUE(rt::SignatureMatches(made.publicKey, "zentra.rar", signature));
  EXPECT_FALSE(rt::SignatureMatches(key, "zentra.rar", signature));
}

class SignedUpdateTest : public UpdateFixture {
 protected:
  void SetUp() override {
    UpdateFixture::SetUp();
    ASSERT_TRUE(CopyFileW((BinDirectory() + L"\\tessaly-test-key.exe").c_str(), folder_.exe().c_str(), FALSE));
    std::string error;
    ASSERT_TRUE(banktool::ReadSigningKey(banktool::PathFromUtf8(TESSALY_TEST_SIGNING_KEY), key_, error)) << error;
    ASSERT_TRUE(banktool::GenerateSigningKey(otherKey_, error)) << error;
  }
  // The version line of a signature of `bytes`, as banktool publish --key writes it.
  static std::wstring Signed(const wchar_t* line, const banktool::SigningKey& key, const std::string& bytes) {
    std::string signature, error;
    EXPECT_TRUE(banktool::SignBytes(key, bytes, signature, error)) << error;
    return std::wstring(line) + L"=" + Wide(rt::HexText(signature)) + L"\r\n";
  }
  // Signature lines that must each be refused for `archive`, whose line is
  // `line` and the other archive's `otherLine`; with the bytes then served.
  struct Refused {
    const char* what;
    std::string served;
    std::wstring lines;
  };
  std::vector<Refused> RefusedCases(const wchar_t* line, const wchar_t* otherLine, const std::string& archive) const {
    std::string altered = archive;
    altered[altered.size() / 2] ^= 0x01;
    const std::string other = "PK\x03\x04 the other archive";
    return {
        {"no signature", archive, L""},
        {"signed with another key", archive, Signed(line, otherKey_, archive)},
        {"one byte altered", altered, Signed(line, key_, archive)},
        {"the other archive's signature", archive, Signed(line, key_, other) + Signed(otherLine, key_, archive)},
        {"no hexadecimal text", archive, std::wstring(line) + L"=签名\r\n"},
    };
  }

  banktool::SigningKey key_, otherKey_;
  UpdateServer server_{"public", kPublicAddress};
};

TEST_F(SignedUpdateTest, OnlyABankSignedWithTheBuiltInKeyIsInstalled) {
  OldProgramFolder();
  const std::string archive = BankZip(kNew, kNewKeywords);
  server_.PutVersions(L"2", L"1.0.2");
  server_.Start();
  Start();
  ASSERT_TRUE(Shown(升级题库按钮));
  const std::string oldBank = ReadFileBytes(Path(L"填空题题库.db"));
  const std::wstring refused = std::wstring(L"题库签名不符") + kKeptSuffix;
  for (const Refused& c : RefusedCases(L"题库签名", L"主程序签名", archive)) {
    SCOPED_TRACE(c.what);
    server_.Put(L"zentra\\bank.zip", c.served);
    // The signature is read from math.tmp, the server's version file as the
    // update check fetched it.
    folder_.WriteFile(L"math.tmp", Gbk(L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n" + c.lines));
    Press(升级题库按钮);
    EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, refused}));
    EXPECT_EQ(Text(状态栏), refused);
    EXPECT_FALSE(FileExists(Path(L"bank.zip"))) << "nothing is saved";
    EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), oldBank);
    EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
    ComposeAll();
    EXPECT_EQ(kOldSeeds.count(OnShow()), 1u) << "the old bank is still open";
  }

  server_.Put(L"zentra\\bank.zip", archive);
  server_.PutVersions(L"2", L"1.0.2", Signed(L"题库签名", key_, archive));
  program_->Close();
  Start();
  Press(升级题库按钮);
  EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, kLogDownloaded, L"填空题题库.db", L"关键词.txt", kLogDone}));
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=2\r\n主程序版本=1.0.2\r\n"));
  ComposeAll();
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
}

TEST_F(SignedUpdateTest, OnlyAProgramSignedWithTheBuiltInKeyIsSavedAndRecorded) {
  OldProgramFolder();
  const std::string rar = "Rar!\x1A\x07" + Noise(5000);
  server_.PutVersions(L"1", L"1.0.3");
  server_.Start();
  Start();
  ASSERT_TRUE(Shown(升级主程序按钮));
  const std::wstring refused = L"下载的主程序签名不符，本次主程序升级没有进行，原有主程序保持不变";
  for (const Refused& c : RefusedCases(L"主程序签名", L"题库签名", rar)) {
    SCOPED_TRACE(c.what);
    server_.Put(L"zentra\\zentra.rar", c.served);
    folder_.WriteFile(L"math.tmp", Gbk(L"[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.3\r\n" + c.lines));
    Press(升级主程序按钮);
    EXPECT_EQ(Log(), (std::vector<std::wstring>{L"开始下载最新主程序，请稍等……", refused}));
    EXPECT_EQ(Text(状态栏), refused);
    EXPECT_FALSE(FileExists(Path(L"zentra.rar"))) << "nothing is saved";
    EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
  }

  server_.Put(L"zentra\\zentra.rar", rar);
  server_.PutVersions(L"1", L"1.0.3", Signed(L"主程序签名", key_, rar));
  program_->Close();
  Start();
  Press(升级主程序按钮);
  EXPECT_EQ(Log().back(), L"下载完成，请退出程序后解压缩，覆盖原程序即可");
  EXPECT_EQ(ReadFileBytes(Path(L"zentra.rar")), rar);
  EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), Gbk(L"[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.3\r\n"));
}

TEST_F(SignedUpdateTest, SelfRepairInstallsOnlyASignedBank) {
  folder_.WriteFile(L"关键词.txt", Gbk(kNewKeywords));  // the first paper takes these keywords
  const std::string archive = BankZip(kNew, kNewKeywords);
  server_.Put(L"zentra\\bank.zip", archive);
  server_.PutVersions(L"2", L"1.0.2", Signed(L"题库签名", otherKey_, archive));
  server_.Start();
  StartThroughSelfRepair(L"题库签名不符");
  ASSERT_TRUE(program_->started());
  EXPECT_EQ(OnShow(), 0) << "no bank: an empty paper";
  EXPECT_FALSE(FileExists(Path(L"填空题题库.db")));
  program_->Close();

  server_.PutVersions(L"2", L"1.0.2", Signed(L"题库签名", key_, archive));
  StartThroughSelfRepair();
  ASSERT_TRUE(program_->started());
  EXPECT_EQ(Log().back(), kLogDone);
  EXPECT_EQ(kNewSeeds.count(OnShow()), 1u);
}

}  // namespace
}  // namespace e2e
