#include "tools/teacher_kit/banktool/banktool_cli.h"

#include <map>

#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/build.h"
#include "tools/teacher_kit/banktool/compare.h"
#include "tools/teacher_kit/banktool/drop_build.h"
#include "tools/teacher_kit/banktool/export.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/publish.h"
#include "tools/teacher_kit/banktool/question_set.h"
#include "tools/teacher_kit/banktool/signing.h"
#include "tools/teacher_kit/toolkit/tool_options.h"

namespace banktool {
namespace {

// How many problems a failed build lists before it sums up the rest.
constexpr size_t kShownProblems = 50;

// A path as a command line takes it: in double quotes when it holds a blank,
// as the guide tells teachers to write one.
std::string ShellWord(const std::string& path) {
  return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

// Each command's options: those that take a value, the switches, and those
// it needs.
const std::map<std::string, OptionRules>& Commands() {
  static const std::map<std::string, OptionRules> commands = {
      {"build",
       {{"--out", "--input", "--pictures", "--manifest", "--keywords", "--bank-version"}, {"--fit"}, {"--out"}}},
      {"set-version", {{"--ini", "--key", "--value"}, {}, {"--ini", "--key", "--value"}}},
      {"check", {{"--bank", "--against"}, {}, {"--bank"}}},
      {"export", {{"--bank", "--out"}, {}, {"--bank", "--out"}}},
      {"publish",
       {{"--server", "--bank", "--bank-version", "--program", "--program-version", "--key", "--program-public-key",
         "--previous-key", "--release"},
        {"--no-old-signatures"},
        {"--server"}}},
      {"keygen", {{"--out"}, {}, {"--out"}}},
  };
  return commands;
}

// "banktool build" and so on: who reports a command's problems.
std::string Who(std::string_view command) { return "banktool " + std::string(command); }

int Build(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  // The input is a question set, or a pictures folder and a manifest.
  const bool set = values.contains("--input");
  const bool files = values.contains("--pictures") || values.contains("--manifest");
  if (set == files || (!set && !(values.contains("--pictures") && values.contains("--manifest")))) {
    return ReportUsage(err, Who("build"), "banktool", Say(set ? Msg::InputReplacesFiles : Msg::NameTheInput));
  }
  BuildOptions options;
  if (set) {
    options.input = PathFromUtf8(values.at("--input"));
  } else {
    options.pictures = PathFromUtf8(values.at("--pictures"));
    options.manifest = PathFromUtf8(values.at("--manifest"));
  }
  options.out = PathFromUtf8(values.at("--out"));
  if (values.contains("--keywords")) options.keywords = PathFromUtf8(values.at("--keywords"));
  if (values.contains("--bank-version")) options.bankVersion = values.at("--bank-version");
  options.fit = values.contains("--fit");

  const BuildResult result = BuildBank(options);
  for (const auto& warning : result.warnings) err << Say(Msg::Warning, warning) << "\n";
  for (const auto& note : result.notes) out << Say(Msg::Note, note) << "\n";
  if (!result.ok) {
    for (size_t i = 0; i < result.errors.size() && i < kShownProblems; ++i) err << result.errors[i] << "\n";
    if (result.errors.size() > kShownProblems)
      err << Say(Msg::MoreProblems, result.errors.size() - kShownProblems) << "\n";
    err << Say(Msg::BuildFailed, SayCount(result.errors.size(), Msg::Problems1, Msg::ProblemsN), values.at("--out"))
        << "\n";
    return kExitProblems;
  }
  const std::string sources = result.withSources > 0 ? Say(Msg::WithSources, result.withSources) : std::string();
  const std::string comma = Say(Msg::ListSeparator);
  std::string written = kBankFileName + comma + std::string(kKeywordFileName) + comma + std::string(kArchiveFileName);
  if (options.bankVersion) {
    written += comma + Say(Msg::BuildDoneVersion, kIniFileName, kBankVersionKey, *options.bankVersion);
  }
  out << Say(Msg::BuildDone, SayCount(static_cast<size_t>(result.questions), Msg::Questions1, Msg::QuestionsN), sources,
             SayCount(result.keywords, Msg::Keywords1, Msg::KeywordsN), values.at("--out"), written)
      << "\n";
  return kExitDone;
}

int SetVersionCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  std::string key = values.at("--key");
  if (key == "bank") key = kBankVersionKey;
  if (key == "program") key = kProgramVersionKey;
  std::string error;
  if (!SetVersion(PathFromUtf8(values.at("--ini")), key, values.at("--value"), error)) {
    ReportProblem(err, Who("set-version"), error);
    return kExitProblems;
  }
  out << Say(Msg::VersionSet, values.at("--ini"), kVersionSection, key, values.at("--value")) << "\n";
  return kExitDone;
}

int Check(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  int warnings = 0;
  const int faults = CheckBank(PathFromUtf8(values.at("--bank")), out, err, warnings);
  if (faults < 0) return kExitProblems;
  if (values.contains("--against")) {
    std::string error;
    if (CompareBanks(PathFromUtf8(values.at("--bank")), PathFromUtf8(values.at("--against")), out, error) < 0) {
      ReportProblem(err, Who("check"), Say(Msg::OptionProblem, "--against", error));
      return kExitProblems;
    }
  }
  const std::string warned =
      warnings > 0 ? Say(Msg::AndWarnings, SayCount(static_cast<size_t>(warnings), Msg::Warnings1, Msg::WarningsN))
                   : std::string();
  if (faults == 0) {
    out << Say(Msg::CheckClean, values.at("--bank"), warned) << "\n";
    return kExitDone;
  }
  err << Say(Msg::CheckFaults, values.at("--bank"),
             SayCount(static_cast<size_t>(faults), Msg::Problems1, Msg::ProblemsN), warned)
      << "\n";
  return kExitProblems;
}

int ExportCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  const std::string target = values.at("--out");
  const ExportResult result = ExportBank(PathFromUtf8(values.at("--bank")), PathFromUtf8(target));
  if (!result.ok) {
    ReportProblem(err, Who("export"), result.error);
    return kExitProblems;
  }
  for (const auto& note : result.notes) out << Say(Msg::Note, note) << "\n";
  const std::string sources = result.withSources > 0 ? Say(Msg::WithSources, result.withSources) : std::string();
  const std::string comma = Say(Msg::ListSeparator);
  std::string files = std::string(kQuestionTableName) + comma + std::string(kPicturesFolderName) + "/";
  if (result.keywords) files += comma + std::string(kKeywordListName);
  out << Say(Msg::ExportDone, SayCount(static_cast<size_t>(result.questions), Msg::Questions1, Msg::QuestionsN),
             sources, target, files)
      << "\n"
      << Say(Msg::ExportBuildAgain, ShellWord(target)) << "\n";
  return kExitDone;
}

int PublishCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  // A bank goes with its version; a program needs its version, which may also
  // come alone (the version students run, with no new program to offer).
  if (values.contains("--bank") != values.contains("--bank-version") ||
      (values.contains("--program") && !values.contains("--program-version"))) {
    const bool bank = values.contains("--bank") != values.contains("--bank-version");
    return ReportUsage(err, Who("publish"), "banktool",
                       Say(bank ? Msg::BankAndVersionTogether : Msg::ProgramNeedsVersion));
  }
  PublishOptions options;
  options.server = PathFromUtf8(values.at("--server"));
  if (values.contains("--bank")) {
    options.bank = PathFromUtf8(values.at("--bank"));
    options.bankVersion = values.at("--bank-version");
  }
  if (values.contains("--program")) options.program = PathFromUtf8(values.at("--program"));
  if (values.contains("--program-version")) options.programVersion = values.at("--program-version");
  if (values.contains("--key")) options.key = PathFromUtf8(values.at("--key"));
  if (values.contains("--program-public-key")) options.programPublicKey = values.at("--program-public-key");
  if (values.contains("--previous-key")) options.previousKey = PathFromUtf8(values.at("--previous-key"));
  if (values.contains("--release")) options.release = values.at("--release");
  options.oldSignatures = !values.contains("--no-old-signatures");
  std::string error;
  std::vector<std::string> notes, warnings;
  uint64_t release = 0;
  if (!Publish(options, error, &notes, &warnings, &release)) {
    ReportProblem(err, Who("publish"), error);
    return kExitProblems;
  }
  const Msg archive = options.key ? Msg::PublishedSignedArchive : Msg::PublishedArchive;
  std::vector<std::string> published;
  if (options.bank) published.push_back(Say(archive, kArchiveFileName, kBankVersionKey, *options.bankVersion));
  if (options.program) {
    published.push_back(Say(archive, kProgramArchiveName, kProgramVersionKey, *options.programVersion));
  }
  if (!options.program && options.programVersion) {
    published.push_back(std::string(kProgramVersionKey) + "=" + *options.programVersion);
  }
  published.emplace_back(kIniFileName);
  if (release) published.push_back(Say(Msg::PublishedRelease, program::kSignedVersionServerName, release));
  std::string list;
  for (const std::string& item : published) list += (list.empty() ? "" : Say(Msg::ListSeparator)) + item;
  out << Say(Msg::PublishDone, values.at("--server") + "/" + std::string(kServerSubfolder), list) << "\n";
  for (const std::string& note : notes) out << Say(Msg::Note, note) << "\n";
  for (const std::string& warning : warnings) err << Say(Msg::Warning, warning) << "\n";
  return kExitDone;
}

int KeygenCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  const std::string folder = values.at("--out");
  std::string error;
  if (!WriteNewKeyPair(PathFromUtf8(folder), error)) {
    ReportProblem(err, Who("keygen"), error);
    return kExitProblems;
  }
  out << Say(Msg::KeygenPrivate, folder + "/" + std::string(kPrivateKeyFileName)) << "\n"
      << Say(Msg::KeygenPublic, folder + "/" + std::string(kPublicKeyFileName)) << "\n";
  return kExitDone;
}

}  // namespace

std::string HelpText() { return Say(Msg::BanktoolHelp); }

int RunBankTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << Say(Msg::NameACommand) << "\n";
    return kExitUsage;
  }
  const std::string& name = args[0];
  const auto wantsHelp = [](const std::string& a) { return a == "--help" || a == "-h" || a == "help"; };
  if (wantsHelp(name) || (args.size() > 1 && wantsHelp(args[1]) && Commands().contains(name))) {
    out << HelpText();
    return kExitDone;
  }
  // A question set dropped onto the tool (or named alone): a bank beside it.
  if (args.size() == 1 && !Commands().contains(name) && IsDroppedSet(PathFromUtf8(name))) {
    return DropBuild(PathFromUtf8(name), ToolFolder(), LocalTimeNow(), out) == 0 ? kExitDone : kExitProblems;
  }
  if (!Commands().contains(name)) {
    err << Say(Msg::UnknownCommand, name) << "\n";
    return kExitUsage;
  }
  std::map<std::string, std::string> values;
  if (std::string problem; !ParseOptions(args, 1, Commands().at(name), values, problem)) {
    return ReportUsage(err, Who(name), "banktool", problem);
  }
  if (name == "build") return Build(values, out, err);
  if (name == "set-version") return SetVersionCommand(values, out, err);
  if (name == "publish") return PublishCommand(values, out, err);
  if (name == "keygen") return KeygenCommand(values, out, err);
  if (name == "export") return ExportCommand(values, out, err);
  return Check(values, out, err);
}

}  // namespace banktool
