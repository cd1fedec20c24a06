// A program whose update public key slot is damaged — the constant missing
// from its image, or holding 64 bytes that are no point of the curve — is no
// program "without a key": it refuses every archive, even one the school
// signed, with the texts of a wrong signature, and changes nothing. The
// configuration tool will not write such a key.
#include <string>
#include <vector>

#include "program/constant_names.h"
#include "program/control_ids.h"
#include "runtime/data/hex.h"
#include "runtime/crypto/p256_point.h"
#include "tests/e2e/update_fixture.h"
#include "tools/teacher_kit/banktool/signing.h"
#include "program/program_settings_file.h"

using namespace program;

namespace e2e {
namespace {

// tessaly-test-key.exe with its key slot damaged by `damage`, which gets
// the file's bytes and the slot's offset in them.
template <typename Damage>
std::string DamagedProgram(Damage damage) {
  std::string bytes = ReadFileBytes(BinDirectory() + L"\\tessaly-test-key.exe");
  std::string error;
  const std::optional<program::ProgramSettings> found =
      program::ReadProgramSettings(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), error);
  EXPECT_TRUE(found) << error;
  if (!found) return bytes;
  for (const program::PlacedSetting& placed : found->settings) {
    if (placed.setting->kind == SettingKind::PublicKey) damage(bytes, *found, placed.offset);
  }
  return bytes;
}

class DamagedKeyTest : public UpdateFixture {};

TEST_F(DamagedKeyTest, AProgramWhoseKeyIsMissingOrNoPointOfTheCurveTakesNoArchive) {
  banktool::SigningKey key;
  std::string error;
  ASSERT_TRUE(banktool::ReadSigningKey(banktool::PathFromUtf8(TESSALY_TEST_SIGNING_KEY), key, error)) << error;
  const std::string bank = BankZip(kNew, kNewKeywords), rar = "Rar!\x1A\x07" + Noise(5000);
  std::string bankSignature, rarSignature;
  ASSERT_TRUE(banktool::SignBytes(key, bank, bankSignature, error)) << error;
  ASSERT_TRUE(banktool::SignBytes(key, rar, rarSignature, error)) << error;
  UpdateServer server("public", kPublicAddress);
  server.Put(L"zentra\\bank.zip", bank);
  server.Put(L"zentra\\zentra.rar", rar);
  server.PutVersions(
      L"2", L"1.0.3",
      L"题库签名=" + Wide(rt::HexText(bankSignature)) + L"\r\n主程序签名=" + Wide(rt::HexText(rarSignature)) + L"\r\n");
  server.Start();

  struct Case {
    const char* what;
    std::string program;
  };
  const std::vector<Case> cases = {
      {"a key that is no point of the curve",
       DamagedProgram([](std::string& bytes, const program::ProgramSettings&, size_t slot) {
         bytes[slot + 63] ^= 1;
         EXPECT_FALSE(rt::IsP256Point(std::string_view(bytes).substr(slot, 64)));
       })},
      {"no key constant in the image",
       DamagedProgram([](std::string& bytes, const program::ProgramSettings& image, size_t) {
         const size_t name = std::string_view(bytes)
                                 .substr(0, image.imageOffset + image.imageSize)
                                 .find(kUpdatePublicKeyConstant, image.imageOffset);
         ASSERT_NE(name, std::string::npos);
         bytes[name + kUpdatePublicKeyConstant.size() - 1] = 'X';  // "UpdatePublicKeX"
       })},
  };
  const std::wstring bankRefused = std::wstring(L"题库签名不符") + kKeptSuffix;
  const std::wstring rarRefused = L"下载的主程序签名不符，本次主程序升级没有进行，原有主程序保持不变";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OldProgramFolder();
    folder_.RemoveFile(L"zentra.rar");
    folder_.WriteFile(L"tessaly.exe", c.program);
    Start();
    ASSERT_TRUE(Shown(升级题库按钮));
    Press(升级题库按钮);
    EXPECT_EQ(Log(), (std::vector<std::wstring>{kLogStart, bankRefused}));
    Press(升级主程序按钮);
    EXPECT_EQ(Log(), (std::vector<std::wstring>{L"开始下载最新主程序，请稍等……", rarRefused}));
    EXPECT_EQ(Text(状态栏), rarRefused);
    EXPECT_EQ(ReadFileBytes(Path(L"填空题题库.db")), BankBytes(kOld));
    EXPECT_EQ(ReadFileBytes(Path(L"math.ini")), kOldVersions);
    EXPECT_FALSE(FileExists(Path(L"bank.zip")));
    EXPECT_FALSE(FileExists(Path(L"zentra.rar")));
    EXPECT_EQ(program_->Close(), 0u);
  }

  // The configuration tool writes no such key, and reads none back.
  std::string offCurve = rt::HexText(key.publicKey);
  offCurve.back() = offCurve.back() == '0' ? '1' : '0';
  EXPECT_EQ(RunTool(L"tessalyconfig.exe",
                    {L"set", folder_.exe(), L"--out", Path(L"refused.exe"), L"--update-public-key", Wide(offCurve)}),
            1u);
  EXPECT_FALSE(FileExists(Path(L"refused.exe")));
  folder_.WriteFile(L"tessaly.exe", cases[0].program);
  EXPECT_EQ(RunTool(L"tessalyconfig.exe", {L"show", folder_.exe()}), 1u);
}

}  // namespace
}  // namespace e2e
