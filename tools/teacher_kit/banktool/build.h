// The bank tool's two writing commands: building a bank from pictures and a
// manifest (or a question set, question_set.h, holding both), and setting a
// version in math.ini.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program/file_names.h"
#include "runtime/data/database.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

// The names of the files a build writes into the output folder, and of the
// version file's section and keys: the program's own (program/file_names.h),
// in UTF-8 like every text of the tool (written as GBK).
inline const std::string kBankFileName = std::string(program::kQuestionBankName) + rt::kDatabaseExtension;
inline constexpr std::string_view kKeywordFileName = program::kKeywordFileName;
inline constexpr std::string_view kArchiveFileName = program::kBankArchiveName;
inline constexpr std::string_view kIniFileName = program::kVersionFileName;
inline constexpr std::string_view kVersionSection = program::kVersionSection;
inline constexpr std::string_view kBankVersionKey = program::kBankVersionKey;
inline constexpr std::string_view kProgramVersionKey = program::kProgramVersionKey;

struct BuildOptions {
  // Either a question set (a folder or zip archive: its 题目表.csv, 图片 and
  // 关键词列表.txt) or a pictures folder and a manifest.
  std::optional<fs::path> input;
  fs::path pictures;
  fs::path manifest;
  fs::path out;
  std::optional<fs::path> keywords;        // instead of the question set's keyword list
  std::optional<std::string> bankVersion;  // UTF-8
  // Pictures larger than their drawing board go into the bank scaled down to
  // fit it (a JPEG picture as JPEG, any other as PNG); the files in the
  // pictures folder are left as they are.
  bool fit = false;
};

struct BuildResult {
  bool ok = false;
  std::vector<std::string> errors;    // one message per problem, in manifest order
  std::vector<std::string> warnings;  // the bank is made, but students may not see it all
  std::vector<std::string> notes;     // worth knowing, but nothing wrong
  int questions = 0;
  int withSources = 0;  // questions whose sources went into the bank
  size_t keywords = 0;
};

// Checks every row and picture (a picture larger than its drawing board is a
// warning, or with `fit` is scaled down) and the figure a row names, then
// writes 填空题题库.db (with its table QuestionSources for the rows that have
// sources, bank.h), 关键词.txt, bank.zip and (with a bank version) math.ini
// into the output folder. When anything is wrong nothing in the output folder
// is replaced.
BuildResult BuildBank(const BuildOptions& options);

// Sets `key` (题库版本 or 主程序版本) of section 版本信息 in the INI file
// to `value`, creating the file when it does not exist. False with the reason
// in `error`; the file is then unchanged.
bool SetVersion(const fs::path& ini, std::string_view key, std::string_view value, std::string& error);

// The new bytes of the INI file at `ini` (which need not exist) with `key` of
// section 版本信息 set to `value` (checked with CheckIniValue), or false with
// the reason.
bool UpdatedIni(const fs::path& ini, std::string_view key, std::string_view value, std::string& bytes,
                std::string& error);

// The INI text with `key` of section 版本信息 set to `value` (UTF-8, passed by
// CheckIniValue), every other line kept and the key's repeats dropped, so
// that people and programs reading the file see the one version.
std::string WithVersion(std::string_view ini, std::string_view key, std::string_view value);

}  // namespace banktool
