#include "tools/teacher_kit/banktool/build.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>

#include "runtime/data/ini.h"
#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/boards.h"
#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/version_ini.h"
#include "tools/teacher_kit/banktool/input_files.h"
#include "tools/teacher_kit/banktool/keyword_list.h"
#include "tools/teacher_kit/banktool/manifest.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/question_set.h"

namespace banktool {

bool UpdatedIni(const fs::path& ini, std::string_view key, std::string_view value, std::string& bytes,
                std::string& error) {
  const std::string name = PathToUtf8(ini);
  std::string existing;
  std::error_code ec;
  const auto status = fs::status(ini, ec);
  if (fs::exists(status)) {
    if (!fs::is_regular_file(status)) {
      error = Say(Msg::IsNotAFile, name);
      return false;
    }
    std::string why;
    if (!ReadFileBytes(ini, existing, why)) {
      error = Say(Msg::CannotRead, name, why);
      return false;
    }
    if (const std::string bad = CheckIniFile(existing); !bad.empty()) {
      error = Say(Msg::WhereText, name, bad);
      return false;
    }
  }
  bytes = WithVersion(existing, key, value);
  return true;
}

std::string WithVersion(std::string_view ini, std::string_view key, std::string_view value) {
  return rt::WithIniValue(ini, Gbk(kVersionSection), Gbk(key), Gbk(value), rt::IniRepeats::Drop);
}

namespace {

// A picture read from the pictures folder, or the problem with it.
struct PictureFile {
  std::string bytes;
  std::string problem;
};

PictureFile ReadPicture(const InputFiles& folder, const std::string& name) {
  PictureFile picture;
  std::string why;
  switch (folder.KindOf(name)) {
    case InputFiles::Kind::kMissing:
      picture.problem = Say(Msg::PictureMissing, Quoted(name), folder.Shown());
      break;
    case InputFiles::Kind::kFolder:
      picture.problem = Say(Msg::PictureIsFolder, Quoted(name));
      break;
    case InputFiles::Kind::kFile:
      if (!folder.Read(name, picture.bytes, why)) {
        picture.problem = Say(Msg::PictureUnreadable, Quoted(name), why);
      } else if (picture.bytes.empty()) {
        picture.problem = Say(Msg::PictureEmpty, Quoted(name));
      } else if (SniffPicture(std::string_view(picture.bytes).substr(0, kSniffBytes), picture.bytes.size()) ==
                 PictureKind::kNone) {
        picture.problem = Say(Msg::NotAPicture, Quoted(name));
      }
      break;
  }
  if (!picture.problem.empty()) picture.bytes.clear();
  return picture;
}

// Question pictures seen so far, by length and CRC-32, to find a question
// that repeats another under a different file name.
class QuestionPictures {
 public:
  // The row and file of an earlier question with the very same bytes.
  std::optional<std::pair<int, std::string>> FindSame(const InputFiles& folder, std::string_view bytes) const {
    const auto range = seen_.equal_range(Key(bytes));
    for (auto it = range.first; it != range.second; ++it) {
      std::string earlier, ignored;
      if (folder.Read(it->second.second, earlier, ignored) && earlier == bytes) {
        return it->second;
      }
    }
    return std::nullopt;
  }
  void Add(std::string_view bytes, int line, const std::string& name) {
    seen_.emplace(Key(bytes), std::make_pair(line, name));
  }

 private:
  static std::pair<size_t, uLong> Key(std::string_view bytes) {
    return {bytes.size(), crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()))};
  }
  std::multimap<std::pair<size_t, uLong>, std::pair<int, std::string>> seen_;
};

// Compares one picture with its drawing board. A picture that does not fit is
// a warning, or with `fit` is replaced in `bytes` by a scaled-down picture (a
// note says so); one that should be scaled down and cannot be is a problem.
void CheckAgainstBoard(const QuestionRow& row, size_t column, std::string& bytes, bool fit,
                       std::vector<Problem>& problems, std::vector<Problem>& warnings, std::vector<Problem>& notes) {
  const PictureBoard& board = PictureBoards()[column];
  const std::string name = Quoted(column == 0 ? row.question : column == 1 ? row.answer : row.solution);
  const std::string boardText = Say(Msg::BoardText, Say(board.name), FormatSize(board.size));
  const auto add = [&](std::vector<Problem>& list, std::string text) {
    list.push_back({row.line, std::string(board.column), std::move(text)});
  };
  std::string why;
  const std::optional<PictureSize> size = ReadPictureSize(bytes, why);
  if (!size) {
    add(warnings, Say(Msg::SizeUnreadable, name, boardText, why));
    return;
  }
  if (FitsBoard(*size, board.size)) return;
  if (!fit) {
    add(warnings, Say(Msg::PictureTooLarge, name, FormatSize(*size), boardText, FormatSize(board.size)));
    return;
  }
  FittedPicture fitted;
  if (!FitPicture(bytes, board.size, fitted, why)) {
    add(problems, Say(Msg::PictureCannotFit, name, FormatSize(*size), boardText, why));
    return;
  }
  bytes = std::move(fitted.bytes);
  add(notes, Say(Msg::PictureFitted, name, FormatSize(*size), FormatSize(fitted.size), boardText,
                 PictureKindName(fitted.kind)));
}

// Orders a manifest's problems by row, and within a row by where the column
// stands in the header.
void SortProblems(std::vector<Problem>& problems, const std::vector<std::string>& header) {
  const auto position = [&](const std::string& column) {
    const auto found = std::find(header.begin(), header.end(), column);
    return column.empty() ? -1 : static_cast<int>(found - header.begin());
  };
  std::stable_sort(problems.begin(), problems.end(), [&](const Problem& a, const Problem& b) {
    return a.line != b.line ? a.line < b.line : position(a.column) < position(b.column);
  });
}

}  // namespace

namespace {

// What a build reads before any picture: the table, where the pictures are,
// the keyword list, and math.ini as it will be.
struct BuildInputs {
  std::optional<InputFiles> pictures;
  std::string manifestName, manifestBytes;
  std::optional<std::string> keywordBytes;
  std::string keywordListName;
  std::string iniBytes;
};

// The files a build writes into the output folder.
struct BuildTargets {
  fs::path bank, keywords, archive, ini;
  explicit BuildTargets(const fs::path& out)
      : bank(out / PathFromUtf8(kBankFileName)),
        keywords(out / PathFromUtf8(kKeywordFileName)),
        archive(out / PathFromUtf8(kArchiveFileName)),
        ini(out / PathFromUtf8(kIniFileName)) {}
};

// Check: reads the inputs, from the question set or the files named one by
// one, and checks the options and the output folder. Empty when all is well,
// else the problem.
std::string CheckInputs(const BuildOptions& options, const BuildTargets& targets, BuildInputs& in) {
  std::error_code ec;
  std::string why;
  if (options.input) {
    const std::optional<InputFiles> set = OpenQuestionSet(*options.input, why);
    if (!set) return why;
    in.manifestName = kQuestionTableName;
    if (!set->Read(in.manifestName, in.manifestBytes, why))
      return Say(Msg::CannotRead, set->Shown(in.manifestName), why);
    in.pictures = set->In(kPicturesFolderName);
    if (!options.keywords && set->KindOf(kKeywordListName) != InputFiles::Kind::kMissing) {
      in.keywordListName = kKeywordListName;
      if (!set->Read(in.keywordListName, in.keywordBytes.emplace(), why)) {
        return Say(Msg::CannotRead, set->Shown(in.keywordListName), why);
      }
    }
  } else {
    in.manifestName = PathToUtf8(options.manifest.filename());
    if (!fs::is_directory(options.pictures, ec)) return Say(Msg::NoSuchFolder, PathToUtf8(options.pictures));
    in.pictures = InputFiles::Folder(options.pictures);
    if (!ReadFileBytes(options.manifest, in.manifestBytes, why)) {
      return Say(Msg::CannotRead, PathToUtf8(options.manifest), why);
    }
  }
  if (options.bankVersion) {
    if (const std::string bad = CheckIniValue(*options.bankVersion); !bad.empty()) {
      return Say(Msg::OptionProblem, "--bank-version", bad);
    }
  }
  if (options.keywords) {
    in.keywordListName = PathToUtf8(options.keywords->filename());
    if (!ReadFileBytes(*options.keywords, in.keywordBytes.emplace(), why)) {
      return Say(Msg::CannotRead, PathToUtf8(*options.keywords), why);
    }
  }
  if (fs::exists(options.out, ec) && !fs::is_directory(options.out, ec)) {
    return Say(Msg::IsFileNotFolder, PathToUtf8(options.out));
  }
  std::vector<fs::path> written = {targets.bank, targets.keywords, targets.archive};
  if (options.bankVersion) written.push_back(targets.ini);
  for (const auto& target : written) {
    const auto status = fs::symlink_status(target, ec);
    if (fs::exists(status) && !fs::is_regular_file(status)) return Say(Msg::OutputInTheWay, PathToUtf8(target));
  }
  if (options.bankVersion && !UpdatedIni(targets.ini, kBankVersionKey, *options.bankVersion, in.iniBytes, why)) {
    return why;
  }
  return std::string();
}

// Make: checks every row and its pictures, and writes the questions into the
// bank while nothing is wrong. The units of the questions written.
std::vector<std::string> MakeQuestions(const BuildOptions& options, const BuildInputs& in, const Manifest& manifest,
                                       BankWriter& writer, std::vector<Problem>& problems,
                                       std::vector<Problem>& warnings, std::vector<Problem>& fitted,
                                       BuildResult& result) {
  QuestionPictures questionPictures;
  bool writing = problems.empty() && result.errors.empty();
  std::vector<std::string> units;
  std::string why;
  for (const QuestionRow& row : manifest.questions) {
    bool rowOk = row.textOk;
    std::array<PictureFile, 3> pictures;
    const std::array<const std::string*, 3> names = {&row.question, &row.answer, &row.solution};
    for (size_t i = 0; i < 3; ++i) {
      if (names[i]->empty()) continue;  // the name itself was faulty
      pictures[i] = ReadPicture(*in.pictures, *names[i]);
      if (!pictures[i].problem.empty()) {
        problems.push_back({row.line, std::string(kManifestColumns[i]), pictures[i].problem});
        rowOk = false;
      }
    }
    if (!row.question.empty() && pictures[0].problem.empty()) {
      if (const auto same = questionPictures.FindSame(*in.pictures, pictures[0].bytes)) {
        // The same file named twice has been reported already.
        if (same->second != row.question) {
          problems.push_back({row.line, std::string(kManifestColumns[0]),
                              Say(Msg::SamePicture, Quoted(row.question), same->first, Quoted(same->second))});
        }
        rowOk = false;
      } else {
        questionPictures.Add(pictures[0].bytes, row.line, row.question);
      }
    }
    // The figure is kept as it is: the program never shows it, so no board limits it.
    PictureFile figure;
    if (!row.sources.figure.empty()) {
      figure = ReadPicture(*in.pictures, row.sources.figure);
      if (!figure.problem.empty()) {
        problems.push_back({row.line, std::string(kFigureColumn), figure.problem});
        rowOk = false;
      }
    }
    const size_t problemsBefore = problems.size();
    for (size_t i = 0; i < 3; ++i) {
      if (!pictures[i].bytes.empty()) {
        CheckAgainstBoard(row, i, pictures[i].bytes, options.fit, problems, warnings, fitted);
      }
    }
    rowOk = rowOk && problems.size() == problemsBefore;
    writing = writing && rowOk;
    if (!writing) continue;
    bool added = writer.Add(++result.questions, row.unit, row.correct, row.wrong, pictures[0].bytes, pictures[1].bytes,
                            pictures[2].bytes, why);
    if (added && !row.sources.empty()) {
      added = writer.AddSources(result.questions, {row.sources.texts, std::move(figure.bytes), row.sources.place}, why);
      ++result.withSources;
    }
    if (!added) {
      problems.push_back({row.line, "", Say(Msg::RowNotWritten, why)});
      writing = false;
    }
    units.push_back(row.unit);
  }
  return units;
}

// Write: the keyword file (and a word about keywords no question would
// match), bank.zip and math.ini, each staged beside the bank. Empty when
// written, else the problem.
std::string WriteOutputs(const BuildOptions& options, const BuildInputs& in, const BuildTargets& targets,
                         const KeywordList& keywordList, const std::vector<std::string>& units,
                         const fs::path& bankStaged, StagedOutputs& staged, BuildResult& result) {
  std::string why;
  const std::vector<std::string> keywords = in.keywordBytes ? keywordList.keywords : KeywordsFromUnits(units);
  for (size_t k = 0; in.keywordBytes && k < keywords.size(); ++k) {
    const bool matches = std::any_of(units.begin(), units.end(), [&](const std::string& unit) {
      return unit.find(keywords[k]) != std::string::npos;
    });
    if (!matches) {
      result.notes.push_back(
          Say(Msg::KeywordMatchesNothing, in.keywordListName, keywordList.lines[k], Quoted(keywords[k])));
    }
  }
  result.keywords = keywords.size();
  const fs::path keywordStaged = staged.Stage(targets.keywords);
  if (!WriteFileBytes(keywordStaged, KeywordFileBytes(keywords), why)) {
    return Say(Msg::CannotWrite, PathToUtf8(targets.keywords), why);
  }
  if (!WriteArchive(staged.Stage(targets.archive),
                    {{Gbk(kBankFileName), bankStaged}, {Gbk(kKeywordFileName), keywordStaged}}, LocalTimeNow(), why)) {
    return Say(Msg::WhereText, PathToUtf8(targets.archive), why);
  }
  if (options.bankVersion && !WriteFileBytes(staged.Stage(targets.ini), in.iniBytes, why)) {
    return Say(Msg::CannotWrite, PathToUtf8(targets.ini), why);
  }
  return std::string();
}

// A folder made for this run goes again if the run fails (while empty).
struct MadeFolder {
  fs::path path;
  bool made = false, keep = false;
  ~MadeFolder() {
    std::error_code ignored;
    if (made && !keep) fs::remove(path, ignored);
  }
};

}  // namespace

BuildResult BuildBank(const BuildOptions& options) {
  BuildResult result;
  const auto fail = [&](std::string message) {
    result.errors.push_back(std::move(message));
    result.questions = result.withSources = 0;
    result.keywords = 0;
    return result;
  };
  // Check: everything that can be checked before reading a picture.
  const BuildTargets targets(options.out);
  BuildInputs in;
  if (std::string problem = CheckInputs(options, targets, in); !problem.empty()) return fail(std::move(problem));
  KeywordList keywordList;
  if (in.keywordBytes) {
    keywordList = ReadKeywordList(*in.keywordBytes);
    for (const auto& problem : keywordList.problems) {
      result.errors.push_back(FormatProblem(in.keywordListName, problem, true));
    }
    for (const auto& note : keywordList.notes) result.notes.push_back(Say(Msg::WhereText, in.keywordListName, note));
  }
  Manifest manifest = ReadManifest(in.manifestBytes);
  if (manifest.gbk) result.notes.push_back(Say(Msg::TableReadAsGbk, in.manifestName));
  std::vector<Problem> problems = std::move(manifest.problems);
  const auto report = [&]() {
    SortProblems(problems, manifest.header);
    std::vector<std::string> errors;
    for (const auto& problem : problems) errors.push_back(FormatProblem(in.manifestName, problem));
    result.errors.insert(result.errors.begin(), errors.begin(), errors.end());
    result.questions = result.withSources = 0;
    return result;
  };
  if (!manifest.usable) return report();
  if (manifest.questions.empty() && problems.empty()) return fail(Say(Msg::TableNoQuestions, in.manifestName));

  // Make: the bank, staged in the output folder.
  std::error_code ec;
  MadeFolder madeFolder{options.out};
  madeFolder.made = fs::create_directories(options.out, ec);
  if (ec) return fail(Say(Msg::CannotMake, PathToUtf8(options.out), ErrorText(ec)));
  StagedOutputs staged;
  const fs::path bankStaged = staged.Stage(targets.bank);
  fs::remove(bankStaged, ec);
  BankWriter writer;
  std::string why;
  if (!writer.Create(bankStaged, why)) return fail(Say(Msg::CannotWrite, PathToUtf8(targets.bank), why));
  std::vector<Problem> warnings, fitted;
  const std::vector<std::string> units =
      MakeQuestions(options, in, manifest, writer, problems, warnings, fitted, result);
  for (const auto& warning : warnings) result.warnings.push_back(FormatProblem(in.manifestName, warning));
  for (const auto& note : fitted) result.notes.push_back(FormatProblem(in.manifestName, note));
  if (!problems.empty() || !result.errors.empty()) return report();
  if (!writer.Finish(why)) return fail(Say(Msg::CannotWrite, PathToUtf8(targets.bank), why));

  // Write the files that go with the bank, then commit: all in place or none.
  if (std::string problem = WriteOutputs(options, in, targets, keywordList, units, bankStaged, staged, result);
      !problem.empty()) {
    return fail(std::move(problem));
  }
  if (!staged.Commit(why)) return fail(why);
  madeFolder.keep = true;
  result.ok = true;
  return result;
}

bool SetVersion(const fs::path& ini, std::string_view key, std::string_view value, std::string& error) {
  if (key != kBankVersionKey && key != kProgramVersionKey) {
    error = Say(Msg::BadVersionKey, Quoted(key), kBankVersionKey, kProgramVersionKey);
    return false;
  }
  if (const std::string bad = CheckIniValue(value); !bad.empty()) {
    error = Say(Msg::OptionProblem, "--value", bad);
    return false;
  }
  std::error_code ec;
  const fs::path folder = ini.has_parent_path() ? ini.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) {
    error = Say(Msg::FolderOfFileMissing, PathToUtf8(ini), PathToUtf8(folder));
    return false;
  }
  std::string bytes;
  if (!UpdatedIni(ini, key, value, bytes, error)) return false;
  StagedOutputs staged;
  std::string why;
  if (!WriteFileBytes(staged.Stage(ini), bytes, why)) {
    error = Say(Msg::CannotWrite, PathToUtf8(ini), why);
    return false;
  }
  return staged.Commit(error);
}

}  // namespace banktool
