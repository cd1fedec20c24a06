#include "tools/teacher_kit/tessalyconfig/tessalyconfig_cli.h"

#include <map>
#include <optional>

#include "program/program_settings_file.h"
#include "runtime/data/hex.h"
#include "tools/teacher_kit/toolkit/public_key_file.h"
#include "tools/teacher_kit/toolkit/staged_outputs.h"
#include "tools/teacher_kit/toolkit/tool_files.h"
#include "tools/teacher_kit/toolkit/tool_messages.h"
#include "tools/teacher_kit/toolkit/tool_options.h"
#include "tools/teacher_kit/toolkit/tool_text.h"

namespace tessalyconfig {
namespace {

using namespace toolkit;
using program::PlacedSetting;
using program::ProgramSettings;
using program::SettingChange;
using program::SettingSlot;

constexpr std::string_view kTool = "tessalyconfig";

struct Loaded {
  std::vector<uint8_t> bytes;
  ProgramSettings settings;
};

// The program file and its settings; nothing after saying why.
std::optional<Loaded> Load(const fs::path& path, std::ostream& err) {
  std::string bytes, error;
  if (!ReadFileBytes(path, bytes, error)) {
    ReportProblem(err, kTool, Say(Msg::CannotRead, PathToUtf8(path), error));
    return std::nullopt;
  }
  Loaded loaded;
  loaded.bytes.assign(bytes.begin(), bytes.end());
  std::optional<ProgramSettings> settings = program::ReadProgramSettings(loaded.bytes, error);
  if (!settings) {
    ReportProblem(err, kTool, Say(Msg::ConfigProgramProblem, PathToUtf8(path), error));
    return std::nullopt;
  }
  loaded.settings = std::move(*settings);
  return loaded;
}

void Print(const ProgramSettings& settings, std::ostream& out) {
  for (const PlacedSetting& placed : settings.settings) out << placed.setting->name << "=" << placed.value << "\n";
}

// The key of --update-public-key as its digits: given as they are, or in the
// file holding them (update-public-key.txt), as banktool takes it; empty for
// no key; nothing after saying why.
std::optional<std::string> PublicKeyValue(const std::string& given, std::ostream& err) {
  if (given.empty()) return given;
  std::string error;
  const std::optional<std::string> key = ReadPublicKey(given, error);
  if (!key) {
    ReportProblem(err, kTool, Say(Msg::OptionProblem, "--update-public-key", error));
    return std::nullopt;
  }
  return rt::HexText(*key);
}

// Why a setting does not take a value, in the teacher's language; the key's
// faults are the key reader's to say, before this is asked.
std::string SayFault(const program::SettingFault& fault) {
  using K = program::SettingFaultKind;
  switch (fault.kind) {
    case K::HostTooLong:
      return Say(Msg::SettingHostTooLong, fault.length, program::kMaxHostLength);
    case K::HostHoldsColon:
      return Say(Msg::SettingHostHoldsColon);
    case K::HostHoldsSlash:
      return Say(Msg::SettingHostHoldsSlash);
    case K::HostNotAscii:
      return Say(Msg::SettingHostNotAscii);
    case K::HostBadCharacter:
      return Say(Msg::SettingHostBadCharacter);
    case K::HostEmptyLabel:
      return Say(Msg::SettingHostEmptyLabel);
    case K::HostLongLabel:
      return Say(Msg::SettingHostLongLabel);
    case K::HostHyphenLabel:
      return Say(Msg::SettingHostHyphenLabel);
    case K::HostNumericName:
      return Say(Msg::SettingHostNumericName);
    case K::HostBadIpv4:
      return Say(Msg::SettingHostBadIpv4);
    case K::FeedbackHostEmpty:
      return Say(Msg::SettingFeedbackHostEmpty);
    case K::UserIdNotDigits:
      return Say(Msg::SettingUserIdNotDigits);
    case K::UserIdTooLong:
      return Say(Msg::SettingUserIdTooLong, program::kMaxUserIdLength);
    case K::ProxyNotHostPort:
      return Say(Msg::SettingProxyNotHostPort);
    case K::ProxyNoPort:
      return Say(Msg::SettingProxyNoPort);
    case K::ProxyNoHost:
      return Say(Msg::SettingProxyNoHost);
    default:
      return program::SettingFaultText(fault);
  }
}

int Usage(std::ostream& err, const std::string& why) { return ReportUsage(err, kTool, kTool, why); }

int Set(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const fs::path input = PathFromUtf8(args[1]);
  OptionRules rules{{"--out"}, {"--in-place"}, {}};
  for (const SettingSlot& s : program::kSettings) rules.valued.insert("--" + std::string(s.name));
  std::map<std::string, std::string> options;
  if (std::string problem; !ParseOptions(args, 2, rules, options, problem)) return Usage(err, problem);
  const bool inPlace = options.contains("--in-place");
  const std::optional<fs::path> output =
      options.contains("--out") ? std::optional(PathFromUtf8(options.at("--out"))) : std::nullopt;
  std::map<const SettingSlot*, std::string> given;
  for (const SettingSlot& s : program::kSettings) {
    if (const auto found = options.find("--" + std::string(s.name)); found != options.end()) given[&s] = found->second;
  }
  if (inPlace == output.has_value()) return Usage(err, Say(Msg::ConfigSetNeedsTarget));
  if (given.empty()) return Usage(err, Say(Msg::ConfigSetNeedsSetting));

  std::error_code ignored;
  fs::path target = inPlace ? input : *output;
  if (!inPlace && fs::is_directory(target, ignored)) target /= input.filename();
  if (!inPlace && fs::equivalent(input, target, ignored)) {
    return Usage(err, Say(Msg::ConfigOutIsProgram));
  }

  std::vector<SettingChange> changes;
  for (const auto& [setting, value] : given) {
    std::optional<std::string> checked =
        setting->kind == program::SettingKind::PublicKey ? PublicKeyValue(value, err) : value;
    if (!checked) return kExitProblems;
    if (const program::SettingFault fault = program::SettingFaultOf(*setting, *checked)) {
      ReportProblem(err, kTool, Say(Msg::SettingRefused, "--" + std::string(setting->name), *checked, SayFault(fault)));
      return kExitProblems;
    }
    changes.push_back({setting, std::move(*checked)});
  }
  std::optional<Loaded> loaded = Load(input, err);
  if (!loaded) return kExitProblems;
  std::string error;
  if (!program::ChangeSettings(loaded->bytes, loaded->settings, changes, error)) {
    ReportProblem(err, kTool, error);
    return kExitProblems;
  }

  // Written beside the target and read back from there before it takes the
  // target's place: a failure leaves the target as it was.
  // A copy for a new folder (学校版\tessaly.exe) makes the folder.
  if (!inPlace && target.has_parent_path()) fs::create_directories(target.parent_path(), ignored);
  StagedOutputs staged;
  const fs::path temporary = staged.Stage(target);
  const std::string_view bytes(reinterpret_cast<const char*>(loaded->bytes.data()), loaded->bytes.size());
  if (!WriteFileBytes(temporary, bytes, error)) {
    ReportProblem(err, kTool, Say(Msg::CannotWrite, PathToUtf8(temporary), error));
    return kExitProblems;
  }
  std::optional<Loaded> written = Load(temporary, err);
  if (!written) return kExitProblems;
  // What the copy must hold: the program's values, the changed ones replaced
  // (a key as the program shows it, in lowercase digits).
  std::map<const SettingSlot*, std::string> expected;
  for (const PlacedSetting& before : loaded->settings.settings) expected[before.setting] = before.value;
  for (const SettingChange& change : changes) {
    expected[change.setting] = change.setting->kind == program::SettingKind::PublicKey
                                   ? rt::HexText(rt::BytesFromHex(change.value).value_or(""))
                                   : change.value;
  }
  for (const PlacedSetting& placed : written->settings.settings) {
    if (placed.value != expected[placed.setting]) {
      ReportProblem(err, kTool,
                    Say(Msg::ConfigReadsBack, PathToUtf8(temporary), placed.setting->name, placed.value,
                        expected[placed.setting]));
      return kExitProblems;
    }
  }
  if (!staged.Commit(error)) {
    ReportProblem(err, kTool, error);
    return kExitProblems;
  }
  err << Say(Msg::ToolLine, kTool, Say(Msg::ConfigWrote, PathToUtf8(target))) << "\n";
  Print(written->settings, out);
  return kExitDone;
}

}  // namespace

int RunConfigTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "/?") {
    (args.empty() ? err : out) << Say(Msg::ConfigHelp);
    return args.empty() ? kExitUsage : kExitDone;
  }
  if (args[0] == "show") {
    if (args.size() != 2) return Usage(err, Say(Msg::ConfigShowTakesOne));
    std::optional<Loaded> loaded = Load(PathFromUtf8(args[1]), err);
    if (!loaded) return kExitProblems;
    Print(loaded->settings, out);
    return kExitDone;
  }
  if (args[0] == "set") {
    if (args.size() < 2) return Usage(err, Say(Msg::ConfigSetTakesProgram));
    return Set(args, out, err);
  }
  return Usage(err, Say(Msg::ConfigUnknownCommand, args[0]));
}

}  // namespace tessalyconfig
