#include "tools/teacher_kit/banktool/drop_build.h"

#include <cstdio>
#include <string>
#include <vector>

#include "program/file_names.h"
#include "program/program_settings.h"
#include "program/program_settings_file.h"
#include "tools/teacher_kit/banktool/build.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

constexpr std::string_view kStudentProgramFolder = "学生程序";

std::string Stem(const fs::path& set) {
  fs::path name = set.filename();
  if (name.empty()) name = set.parent_path().filename();  // "D:\\题目\\"
  std::string stem = PathToUtf8(name);
  if (fs::is_regular_file(set) && stem.size() > 4 && (stem.ends_with(".zip") || stem.ends_with(".ZIP"))) {
    stem.resize(stem.size() - 4);
  }
  return stem;
}

fs::path Beside(const fs::path& set, const std::string& stem, std::string_view suffix) {
  const fs::path folder = fs::absolute(set).lexically_normal();
  const fs::path parent = folder.filename().empty() ? folder.parent_path().parent_path() : folder.parent_path();
  return parent / PathFromUtf8(stem + std::string(suffix));
}

std::string Version(const std::tm& now) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d.%02d%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                now.tm_hour, now.tm_min);
  return text;
}

// The trial copy: the student's program folder with the new bank and its
// update servers emptied. Empty when it was made, else why not.
std::string MakeTrialCopy(const fs::path& student, const fs::path& bank, const fs::path& trial,
                          const std::string& version) {
  std::error_code ec;
  fs::create_directories(trial, ec);
  if (ec) return Say(Msg::WhereText, PathToUtf8(trial), ErrorText(ec));
  // File by file: the C++ library's recursive copy refuses a folder that
  // exists on Windows, and the trial folder may be there from the last drop.
  for (fs::recursive_directory_iterator it(student, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path target = trial / it->path().lexically_relative(student);
    if (it->is_directory(ec)) {
      fs::create_directories(target, ec);
    } else {
      fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec);
    }
  }
  if (ec) return Say(Msg::DropTrialCopyFailed, ErrorText(ec));
  std::string why, bytes;
  for (const std::string& name : {kBankFileName, std::string(program::kKeywordFileName)}) {
    if (!ReadFileBytes(bank / PathFromUtf8(name), bytes, why) ||
        !WriteFileBytes(trial / PathFromUtf8(name), bytes, why)) {
      return why;
    }
  }
  if (!SetVersion(trial / program::kVersionFileName, kBankVersionKey, version, why)) return why;
  const fs::path program = trial / program::kProgramFileName;
  std::string exe;
  if (!ReadFileBytes(program, exe, why)) return why;
  std::vector<uint8_t> image(exe.begin(), exe.end());
  const auto found = program::ReadProgramSettings(image, why);
  if (!found) return Say(Msg::WhereText, PathToUtf8(program), why);
  // Both update servers empty: the trial copy asks no server.
  std::vector<program::SettingChange> changes;
  for (const program::SettingSlot& slot : program::kSettings) {
    if (slot.name == program::kPublicUpdateHostSetting.name || slot.name == program::kLanUpdateHostSetting.name) {
      changes.push_back({&slot, ""});
    }
  }
  if (!program::ChangeSettings(image, *found, changes, why)) return why;
  return WriteFileBytes(program, std::string(image.begin(), image.end()), why) ? std::string() : why;
}

}  // namespace

bool IsDroppedSet(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  if (!fs::is_regular_file(path, ec)) return false;
  const std::string name = PathToUtf8(path.filename());
  return name.size() > 4 && (name.ends_with(".zip") || name.ends_with(".ZIP"));
}

int DropBuild(const fs::path& set, const fs::path& toolFolder, const std::tm& now, std::ostream& out) {
  const std::string stem = Stem(set);
  const fs::path bankFolder = Beside(set, stem, "-题库");
  const std::string version = Version(now);
  out << Say(Msg::DropStart, PathToUtf8(set)) << "\n";

  BuildOptions options;
  options.input = set;
  options.out = bankFolder;
  options.bankVersion = version;
  const BuildResult result = BuildBank(options);
  for (const auto& line : result.errors) out << "  " << line << "\n";
  if (!result.ok) {
    out << "\n" << Say(Msg::DropRefused) << "\n";
    return 1;
  }
  for (const auto& line : result.warnings) out << "  " << Say(Msg::Warning, line) << "\n";
  for (const auto& line : result.notes) out << "  " << line << "\n";
  out << "\n"
      << Say(Msg::DropBuilt, PathToUtf8(bankFolder)) << "\n"
      << Say(Msg::DropCounts, result.questions, result.withSources, result.keywords) << "\n"
      << Say(Msg::DropVersion, version) << "\n"
      << Say(Msg::DropPublishHint) << "\n";

  const fs::path student = toolFolder / PathFromUtf8(kStudentProgramFolder);
  std::error_code ec;
  if (!fs::is_regular_file(student / program::kProgramFileName, ec)) {
    out << "\n" << Say(Msg::DropTrialHint) << "\n";
    return 0;
  }
  const fs::path trial = Beside(set, stem, "-试用");
  if (const std::string why = MakeTrialCopy(student, bankFolder, trial, version); !why.empty()) {
    out << "\n" << Say(Msg::DropTrialFailed, why) << "\n";
    return 0;
  }
  out << "\n"
      << Say(Msg::DropTrialMade, PathToUtf8(trial / program::kProgramFileName)) << "\n"
      << Say(Msg::DropTrialAbout) << "\n";
  return 0;
}

void DoubleClickHelp(std::ostream& out) { out << Say(Msg::DoubleClickHelp); }

}  // namespace banktool
