// The update signing key: banktool keygen, reading key files, signatures that
// the programs' check accepts, and publish --key on the update server.
#include "tools/teacher_kit/banktool/signing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/program_settings_file.h"
#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/hex.h"
#include "runtime/data/ini.h"
#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace {

using namespace banktool;
using namespace banktool_test;

TEST(SigningKey, KeygenWritesAPairWhoseSignaturesTheProgramsAcceptAndReplacesNoKey) {
  ScratchFolder dir;
  const Outcome made = Tool({"keygen", "--out", PathToUtf8(dir / "密钥")});
  ASSERT_EQ(made.code, 0) << made.err;
  const fs::path privateFile = dir / "密钥/update-signing-key.txt";
  EXPECT_EQ(fs::status(privateFile).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  SigningKey key;
  std::string error, signature;
  ASSERT_TRUE(ReadSigningKey(privateFile, key, error)) << error;
  // The public key file is the value TESSALY_UPDATE_PUBLIC_KEY takes.
  EXPECT_EQ(ReadAll(dir / "密钥/update-public-key.txt"), rt::HexText(key.publicKey) + "\n");
  ASSERT_TRUE(SignBytes(key, "bank.zip", signature, error)) << error;
  EXPECT_TRUE(rt::SignatureMatches(key.publicKey, "bank.zip", signature));
  EXPECT_FALSE(rt::SignatureMatches(key.publicKey, "bank.zap", signature));

  const auto before = Snapshot(dir.path());
  const Outcome again = Tool({"keygen", "--out", PathToUtf8(dir / "密钥")});
  EXPECT_EQ(again.code, 1);
  EXPECT_NE(again.err.find("update-signing-key.txt: is there already"), std::string::npos) << again.err;
  fs::remove(privateFile);
  EXPECT_EQ(Tool({"keygen", "--out", PathToUtf8(dir / "密钥")}).code, 1) << "the public key is there";
  EXPECT_FALSE(fs::exists(privateFile));
  ASSERT_EQ(Tool({"keygen", "--out", PathToUtf8(dir / "other")}).code, 0);
  EXPECT_NE(ReadAll(dir / "other/update-public-key.txt"), ReadAll(dir / "密钥/update-public-key.txt"));
}

TEST(SigningKey, MalformedKeyFilesAreRefusedWithTheirReason) {
  ScratchFolder dir;
  SigningKey key, other;
  std::string error;
  ASSERT_TRUE(GenerateSigningKey(key, error) && GenerateSigningKey(other, error)) << error;
  const std::string d = "private-key=" + rt::HexText(key.privateKey) + "\n";
  const std::string xy = "public-key=" + rt::HexText(key.publicKey) + "\n";
  const std::vector<std::pair<std::string, std::string>> bad = {
      {d, "holds no public-key= line"},
      {xy, "holds no private-key= line"},
      {rt::HexText(key.publicKey) + "\n", "this is the public key file"},
      {d + d + xy, "line 2: repeats private-key="},
      {"private-key=" + rt::HexText(key.privateKey).substr(1) + "\n" + xy, "64 hexadecimal digits"},
      {d + "public-key=" + rt::HexText(key.publicKey) + "00\n", "128 hexadecimal digits"},
      {d + "public-key=" + rt::HexText(other.publicKey) + "\n", "does not belong to its private key"},
      {"private-key=" + std::string(64, '0') + "\n" + xy, "does not belong to its private key"},
      {"[版本信息]\n" + d + xy, "line 1: is no private-key= or public-key= line"},
  };
  for (const auto& [text, why] : bad) {
    WriteAll(dir / "key.txt", text);
    SigningKey read;
    EXPECT_FALSE(ReadSigningKey(dir / "key.txt", read, error)) << text;
    EXPECT_NE(error.find(why), std::string::npos) << error;
  }
  EXPECT_FALSE(ReadSigningKey(dir / "none.txt", key, error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
  // Comments, blanks around the values and CR LF line ends, as an editor may leave them.
  WriteAll(dir / "key.txt", "# 注释\r\n\r\n  " + d.substr(0, d.size() - 1) + " \r\n" + xy);
  SigningKey read;
  ASSERT_TRUE(ReadSigningKey(dir / "key.txt", read, error)) << error;
  EXPECT_EQ(read.privateKey, key.privateKey);
}

// A school publishes a bank, then a program, with and without the key.
TEST(SignedPublish, EachArchiveGetsItsSignatureAndNoStaleOneIsLeft) {
  ScratchFolder dir;
  SigningKey key;
  ASSERT_NO_FATAL_FAILURE(PreparePublishing(dir, key));
  const fs::path server = dir / "server", zentra = server / "zentra";
  const auto publish = [&](const char* what, const char* version, bool signedWithKey) {
    std::vector<std::string> args = {"publish", "--server", PathToUtf8(server)};
    if (std::string(what) == "bank") {
      args.insert(args.end(), {"--bank", PathToUtf8(dir / "bank"), "--bank-version", version});
      // The first publish on a server names the program's version too.
      if (!fs::exists(zentra / "math.ini")) args.insert(args.end(), {"--program-version", "1.0.2"});
    } else {
      args.insert(args.end(), {"--program", PathToUtf8(dir / "program.rar"), "--program-version", version});
    }
    if (signedWithKey) args.insert(args.end(), {"--key", PathToUtf8(dir / "keys/update-signing-key.txt")});
    return Tool(args);
  };
  // Whether math.ini holds a signature of the archive, by the key, that the programs accept.
  const auto signature = [&](const char* line) {
    return std::string(rt::IniValue(ReadAll(zentra / "math.ini"), Gbk("版本信息"), Gbk(line)).view());
  };
  const auto accepted = [&](const char* line, const char* archive) {
    const auto bytes = rt::BytesFromHex(signature(line));
    return bytes && rt::SignatureMatches(key.publicKey, ReadAll(zentra / archive), *bytes);
  };

  Outcome run = publish("bank", "1", true);
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(run.out.starts_with("banktool publish: " + PathToUtf8(server) +
                                  "/zentra: bank.zip (题库版本=1, signed), 主程序版本=1.0.2, math.ini, math-signed.ini "
                                  "(发布序号="))
      << run.out;
  EXPECT_TRUE(accepted("题库签名", "bank.zip"));

  run = publish("program", "1.0.3", false);
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("note: zentra/zentra.rar has no signature"), std::string::npos) << run.out;
  EXPECT_EQ(signature("主程序签名"), "");
  EXPECT_TRUE(accepted("题库签名", "bank.zip")) << "the bank stays, and so does its signature";

  ASSERT_EQ(publish("program", "1.0.4", true).code, 0);
  EXPECT_TRUE(accepted("主程序签名", "zentra.rar"));
  const std::string bankSignature = signature("题库签名");

  // A bank published without the key replaces the signed one: its old
  // signature goes with it.
  WriteAll(dir / "program.rar", "Rar!\x1A\x07 another program");
  ASSERT_EQ(publish("bank", "2", false).code, 0);
  EXPECT_EQ(signature("题库签名"), "");
  EXPECT_TRUE(accepted("主程序签名", "zentra.rar"));
  ASSERT_EQ(publish("bank", "3", true).code, 0);
  EXPECT_TRUE(accepted("题库签名", "bank.zip"));
  EXPECT_NE(signature("题库签名"), bankSignature) << "a new signature each time";

  // A key that cannot be read changes nothing.
  const auto before = Snapshot(server);
  WriteAll(dir / "keys/update-signing-key.txt", "private-key=00\n");
  run = publish("program", "1.0.5", true);
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("update-signing-key.txt: line 1"), std::string::npos) << run.err;
  EXPECT_EQ(Snapshot(server), before);
}

// The program's image (a program file holds one) carrying `hexKey`, or no key.
std::string ProgramWithKey(const std::string& hexKey) {
  const std::string image = ReadAll(TESSALY_IMAGE_FILE);
  std::vector<uint8_t> bytes(image.begin(), image.end());
  std::string error;
  const std::optional<program::ProgramSettings> found = program::ReadProgramSettings(bytes, error);
  const program::SettingSlot* slot = nullptr;
  for (const program::SettingSlot& s : program::kSettings) {
    if (s.kind == program::SettingKind::PublicKey) slot = &s;
  }
  EXPECT_TRUE(found && program::ChangeSettings(bytes, *found, {{slot, hexKey}}, error)) << error;
  return std::string(bytes.begin(), bytes.end());
}

// A program published with the key must carry its public key: students'
// programs with another key, or none, would take no signed update again. A
// change of key names the new one; an archive the tool cannot read is
// published with a warning.
TEST(SignedPublish, AProgramArchiveMustCarryTheKeyThatSignsIt) {
  ScratchFolder dir;
  ASSERT_EQ(Tool({"keygen", "--out", PathToUtf8(dir / "keys")}).code, 0);
  ASSERT_EQ(Tool({"keygen", "--out", PathToUtf8(dir / "new-keys")}).code, 0);
  const std::string key = ReadAll(dir / "keys/update-public-key.txt").substr(0, 128);
  const std::string newKey = ReadAll(dir / "new-keys/update-public-key.txt").substr(0, 128);
  const fs::path server = dir / "server";
  WriteAll(server / "zentra/math.ini", Gbk("[版本信息]\r\n题库版本=1\r\n主程序版本=1.0.2\r\n"));
  const auto zip = [&](const std::string& name, const std::string& member, const std::string& program) {
    WriteAll(dir / "tessaly.exe", program);
    std::string why;
    EXPECT_TRUE(WriteArchive(
        dir / name, {{member, dir / "tessaly.exe"}, {"tessaly-1.0.3/krnln.fnr", dir / "keys/update-public-key.txt"}},
        LocalTimeNow(), why))
        << why;
    return PathToUtf8(dir / name);
  };
  const auto publish = [&](const std::string& archive, std::vector<std::string> more) {
    std::vector<std::string> args = {"publish",           "--server", PathToUtf8(server), "--program", archive,
                                     "--program-version", "1.0.3"};
    args.insert(args.end(), more.begin(), more.end());
    return Tool(args);
  };
  const std::string signing = PathToUtf8(dir / "keys/update-signing-key.txt");
  const std::string good = zip("good.zip", "tessaly-1.0.3/tessaly.exe", ProgramWithKey(key));
  const std::string other = zip("other.zip", "tessaly-1.0.3/Tessaly.EXE", ProgramWithKey(newKey));
  const std::string none = zip("none.zip", "tessaly.exe", ProgramWithKey(""));
  const std::string foreign = zip("foreign.zip", "tessaly.exe", "MZ no program of ours");
  const std::string noProgram = zip("no-program.zip", "readme.exe", ProgramWithKey(""));
  WriteAll(dir / "program.rar", "Rar!\x1A\x07 the program");

  const auto before = Snapshot(server);
  for (const auto& [archive, more, why] :
       {std::tuple{other, std::vector<std::string>{"--key", signing},
                   "carries the update public key " + newKey.substr(0, 16)},
        {none, {"--key", signing}, std::string("carries no update public key:")},
        {foreign, {"--key", signing}, std::string("carries no update public key that can be read")},
        {good,
         {"--key", signing, "--program-public-key", PathToUtf8(dir / "new-keys/update-public-key.txt")},
         "carries the update public key " + key.substr(0, 16)},
        {other, {"--program-public-key", newKey}, std::string("--program-public-key names the key")},
        {other, {"--key", signing, "--program-public-key", signing}, std::string("holds the private signing key")}}) {
    const Outcome run = publish(archive, more);
    EXPECT_EQ(run.code, 1) << archive << " " << run.out;
    EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    EXPECT_EQ(Snapshot(server), before) << archive;
  }

  // The key it carries; a change of key, the new key named; unsigned, unchecked.
  for (const auto& [archive, more] :
       {std::pair{good, std::vector<std::string>{"--key", signing}},
        {other, {"--key", signing, "--program-public-key", PathToUtf8(dir / "new-keys/update-public-key.txt")}},
        {none, {}}}) {
    const Outcome run = publish(archive, more);
    EXPECT_EQ(run.code, 0) << archive << " " << run.err;
    EXPECT_EQ(run.err.find("warning:"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadAll(server / "zentra/zentra.rar") == ReadAll(PathFromUtf8(archive))) << archive;
  }
  // What cannot be read is published, with a warning that says what to check.
  for (const auto& [archive, why] :
       {std::pair{PathToUtf8(dir / "program.rar"), "is no zip archive"}, {noProgram, "holds no tessaly.exe"}}) {
    const Outcome run = publish(archive, {"--key", signing});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.err.find(std::string("warning: ") + PathToUtf8(PathFromUtf8(archive)) + ": " + why),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("tessalyconfig show"), std::string::npos) << run.err;
  }
}

}  // namespace
