// tessalyconfig: the rules for each setting and its slot, finding the one
// program image in a file, and the copies it writes (or refuses to write).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "program/program_settings.h"
#include "runtime/data/hex.h"
#include "tests/native/banktool_test_support.h"
#include "tools/release_build/image_build/program_image.h"
#include "tools/teacher_kit/tessalyconfig/tessalyconfig_cli.h"

namespace {

namespace fs = std::filesystem;
using banktool_test::ReadAll;
using banktool_test::ScratchFolder;
using banktool_test::Snapshot;
using banktool_test::WriteAll;
using program::SettingSlot;

struct Outcome {
  int code;
  std::string out, err;
};

// The tool's command line, in English.
Outcome Tool(const std::vector<std::string>& args) {
  const banktool_test::Speaking english(toolkit::Language::kEnglish);
  std::ostringstream out, err;
  const int code = tessalyconfig::RunConfigTool(args, out, err);
  return {code, out.str(), err.str()};
}

std::string Image() { return ReadAll(TESSALY_IMAGE_FILE); }
std::string TestKey() { return ReadAll(TESSALY_SOURCE_DIR "/tests/keys/test-only-update-public-key.txt"); }

// What a launcher looks like around its image: code and data before and
// after, among them the image's first word where no image follows.
std::string Program(const std::string& image) {
  std::string before = "MZ" + std::string(5000, '\x90') + std::string("WJ\0\0", 4) + std::string(300, '\x01');
  return before + image + std::string(2000, '\0') + "PE";
}

// The name=value lines `show` prints, by name.
std::map<std::string, std::string> Lines(const std::string& out) {
  std::map<std::string, std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);)
    lines[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return lines;
}

TEST(TessalyConfig, EachSettingTakesItsValuesAndRefusesTheRest) {
  const std::string name63(63, 'a');
  const std::string longest = name63 + "." + name63 + "." + name63 + "." + std::string(61, 'b');  // 253
  const std::string key = std::string(TestKey().substr(0, 128));
  std::string offCurve = key;  // 128 digits, but no point of the curve
  offCurve[127] = offCurve[127] == '0' ? '1' : '0';
  struct Case {
    const SettingSlot& setting;
    std::vector<std::string> good, bad;
  };
  const Case cases[] = {
      {program::kPublicUpdateHostSetting,
       {"", "a", "updates.school.example", "My-Server", "1st.example", "xn--fiqs8s.example", "192.168.1.10", "0.0.0.0",
        longest},
       {"http://a.example",
        "a.example:8001",
        "a.example/",
        "-a.example",
        "a-.example",
        "a..b",
        ".a",
        "a.",
        "1.2.3",
        "256.1.1.1",
        "010.0.0.1",
        "127.1",
        "1.2.3.4.5",
        "::1",
        "a b",
        "a_b",
        "学校.cn",
        "example.123",
        longest + "c",
        name63 + "a.example"}},
      {program::kFeedbackHostSetting, {"guestbook.example.com", "10.0.0.1"}, {"", "a..b"}},
      {program::kFeedbackUserIdSetting, {"1", "20061", std::string(20, '9')}, {"", "12a", "-1", std::string(21, '1')}},
      {program::kUpdateProxySetting,
       {"", "system", "proxy.school.example:3128", "10.0.0.1:8080", longest + ":65535"},
       {"proxy.school.example", ":8080", "a:0", "a:65536", "a:080", "a:", "http://p.example:80", "System", "a:80x",
        "10.0.0.1:80:80", "::1:80"}},
      {program::kUpdatePublicKeySetting,
       {"", key},
       {key.substr(1), key + "00", "zz" + key.substr(2), offCurve, std::string(128, '0')}},
  };
  for (const Case& c : cases) {
    for (const std::string& value : c.good) {
      std::string error;
      const std::optional<std::string> slot = program::SlotBytes(c.setting, value, error);
      ASSERT_TRUE(slot) << c.setting.name << " " << value << ": " << error;
      ASSERT_EQ(slot->size(), c.setting.size);
      const std::optional<std::string> back =
          program::SlotValue(c.setting, std::span(reinterpret_cast<const uint8_t*>(slot->data()), slot->size()), error);
      EXPECT_EQ(back, value) << c.setting.name << ": " << error;
    }
    for (const std::string& value : c.bad) {
      std::string error;
      EXPECT_FALSE(program::SlotBytes(c.setting, value, error)) << c.setting.name << " took \"" << value << "\"";
      EXPECT_NE(error.find(c.setting.name), std::string::npos) << error;
    }
  }
  // A key slot holding no point of the curve holds no value: the program takes no download.
  {
    std::string error;
    const std::string bytes = *rt::BytesFromHex(offCurve);
    EXPECT_FALSE(program::SlotValue(program::kUpdatePublicKeySetting,
                                    std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), error));
    EXPECT_NE(error.find("P-256"), std::string::npos) << error;
  }
  // A slot whose text has no zero after it, or bytes after its zeros, holds no value.
  std::string full(program::kHostSlotSize, 'a'), tail(program::kHostSlotSize, '\0');
  tail[0] = 'a';
  tail.back() = 'b';
  for (const std::string& slot : {full, tail, std::string(10, '\0')}) {
    std::string error;
    EXPECT_FALSE(program::SlotValue(program::kLanUpdateHostSetting,
                                    std::span(reinterpret_cast<const uint8_t*>(slot.data()), slot.size()), error));
  }
}

TEST(TessalyConfig, ACopyGetsTheSettingsAndNothingElseChanges) {
  ScratchFolder folder;
  const std::string program = Program(Image());
  WriteAll(folder / "tessaly.exe", program);
  WriteAll(folder / "keys/update-public-key.txt", TestKey());

  const Outcome shown = Tool({"show", (folder / "tessaly.exe").string()});
  ASSERT_EQ(shown.code, 0) << shown.err;
  std::map<std::string, std::string> defaults = Lines(shown.out);
  ASSERT_EQ(defaults.size(), program::kSettings.size());
  for (const SettingSlot& setting : program::kSettings) {
    EXPECT_EQ(defaults[std::string(setting.name)], image::BuildSetting(setting)) << setting.name;
  }

  const Outcome set =
      Tool({"set", (folder / "tessaly.exe").string(), "--out", (folder / "学校版").string() + ".exe",
            "--public-update-host", "updates.school.example", "--lan-update-host", "", "--feedback-userid", "4711",
            "--update-public-key", (folder / "keys/update-public-key.txt").string()});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(ReadAll(folder / "tessaly.exe"), program) << "the input is never changed";
  const std::string copy = ReadAll(folder / "学校版.exe");
  ASSERT_EQ(copy.size(), program.size());
  // Only bytes inside the image's "const" data changed.
  const size_t first = std::mismatch(copy.begin(), copy.end(), program.begin()).first - copy.begin();
  const size_t last = copy.size() - (std::mismatch(copy.rbegin(), copy.rend(), program.rbegin()).first - copy.rbegin());
  EXPECT_GT(first, program.find(Image().substr(0, 64)));
  EXPECT_LT(last, program.find(Image().substr(0, 64)) + Image().size());

  std::map<std::string, std::string> expected = defaults;
  expected["public-update-host"] = "updates.school.example";
  expected["lan-update-host"] = "";
  expected["feedback-userid"] = "4711";
  expected["update-public-key"] = TestKey().substr(0, 128);
  EXPECT_EQ(Lines(set.out), expected) << "set prints what it read back";
  EXPECT_EQ(Lines(Tool({"show", (folder / "学校版.exe").string()}).out), expected);

  // Into a folder: a file of the program's name there; in place only when asked.
  fs::create_directories(folder / "release");
  ASSERT_EQ(Tool({"set", (folder / "学校版.exe").string(), "--out", (folder / "release").string(), "--feedback-host",
                  "guestbook.school.example"})
                .code,
            0);
  EXPECT_EQ(Lines(Tool({"show", (folder / "release/学校版.exe").string()}).out)["feedback-host"],
            "guestbook.school.example");
  // Options as banktool takes them too: --name=VALUE, an empty value included.
  ASSERT_EQ(
      Tool({"set", (folder / "tessaly.exe").string(), "--in-place", "--feedback-userid=1", "--lan-update-host="}).code,
      0);
  EXPECT_EQ(Lines(Tool({"show", (folder / "tessaly.exe").string()}).out)["feedback-userid"], "1");
  EXPECT_EQ(Lines(Tool({"show", (folder / "tessaly.exe").string()}).out)["lan-update-host"], "");
  // The image file the build writes works as well as a program.
  EXPECT_EQ(Tool({"show", TESSALY_IMAGE_FILE}).code, 0);
}

// Every fault a teacher can make in a setting's value is said in Chinese:
// the reason after the quoted value starts with a Chinese character, never
// with the English of the release build's tools.
TEST(TessalyConfig, AValueARefusedSettingIsToldInChinese) {
  ScratchFolder folder;
  WriteAll(folder / "tessaly.exe", Program(Image()));
  const std::string exe = (folder / "tessaly.exe").string(), out = (folder / "out.exe").string();
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"--public-update-host", std::string(254, 'a')},
      {"--public-update-host", "a:b"},
      {"--public-update-host", "a/b"},
      {"--public-update-host", "学校.cn"},
      {"--public-update-host", "a_b"},
      {"--public-update-host", "a..b"},
      {"--public-update-host", std::string(64, 'a') + ".example"},
      {"--public-update-host", "-a.example"},
      {"--public-update-host", "1.2.3"},
      {"--public-update-host", "256.1.1.1"},
      {"--feedback-host", ""},
      {"--feedback-userid", "12a"},
      {"--feedback-userid", std::string(21, '1')},
      {"--update-proxy", "abc"},
      {"--update-proxy", "a:0"},
      {"--update-proxy", ":80"}};
  const banktool_test::Speaking chinese(toolkit::Language::kChinese);
  for (const auto& [option, value] : refused) {
    std::ostringstream o, e;
    EXPECT_EQ(tessalyconfig::RunConfigTool({"set", exe, "--out", out, option, value}, o, e), 1) << option << value;
    const std::string err = e.str();
    const size_t quoted = err.find("\xE2\x80\x9D");  // the closing ”
    ASSERT_NE(quoted, std::string::npos) << err;
    EXPECT_NE(err.find(option), std::string::npos) << err;
    EXPECT_GE(static_cast<unsigned char>(err[quoted + 3]), 0x80) << err;
  }
}

TEST(TessalyConfig, ARefusedValueOrFileWritesNothing) {
  ScratchFolder folder;
  const std::string image = Image();
  WriteAll(folder / "tessaly.exe", Program(image));
  WriteAll(folder / "twice.exe", Program(image) + image);
  std::string damaged = Program(image);
  damaged[damaged.find(image.substr(0, 64)) + 0x40] ^= 1;
  WriteAll(folder / "damaged.exe", damaged);
  WriteAll(folder / "update-signing-key.txt", "private-key=00\npublic-key=" + TestKey());
  WriteAll(folder / "two-lines.txt", TestKey() + TestKey());
  std::string offCurve(TestKey().substr(0, 128));
  offCurve[127] = offCurve[127] == '0' ? '1' : '0';
  WriteAll(folder / "off-curve.txt", offCurve + "\n");
  const auto before = Snapshot(folder.path());
  const std::string exe = (folder / "tessaly.exe").string(), out = (folder / "out.exe").string();

  const std::vector<std::vector<std::string>> refused = {
      {"set", exe, "--out", out, "--public-update-host", "http://updates.school.example"},
      {"set", exe, "--out", out, "--lan-update-host", std::string(254, 'a')},
      {"set", exe, "--out", out, "--feedback-host", ""},
      {"set", exe, "--out", out, "--feedback-userid", std::string(21, '1')},
      {"set", exe, "--out", out, "--update-public-key", "abc"},
      {"set", exe, "--out", out, "--update-public-key", (folder / "update-signing-key.txt").string()},
      {"set", exe, "--out", out, "--update-public-key", (folder / "two-lines.txt").string()},
      {"set", exe, "--out", out, "--update-public-key", offCurve},
      {"set", exe, "--out", out, "--update-public-key", (folder / "off-curve.txt").string()},
      {"set", (folder / "twice.exe").string(), "--out", out, "--feedback-userid", "1"},
      {"set", (folder / "damaged.exe").string(), "--out", out, "--feedback-userid", "1"},
      {"set", (folder / "two-lines.txt").string(), "--out", out, "--feedback-userid", "1"},
      {"set", exe, "--out", exe, "--feedback-userid", "1"},
      {"set", exe, "--feedback-userid", "1"},
      {"set", exe, "--out", out},
      {"set", exe, "--out", out, "--feedback-userid", "1", "--feedback-userid", "2"},
      {"set", exe, "--out", out, "--port", "80"},
      {"set", exe, "--out", out, "--in-place=yes", "--feedback-userid", "1"},
      {"show", (folder / "missing.exe").string()},
  };
  for (const auto& args : refused) {
    const Outcome outcome = Tool(args);
    std::string line;
    for (const std::string& a : args) line += a + " ";
    EXPECT_NE(outcome.code, 0) << line;
    EXPECT_TRUE(outcome.out.empty()) << line;
    EXPECT_FALSE(outcome.err.empty()) << line;
    EXPECT_EQ(Snapshot(folder.path()), before) << line << " left something behind";
  }
}

}  // namespace
