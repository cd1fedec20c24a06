#include "tools/teacher_kit/banktool/export.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "runtime/data/encoding.h"
#include "runtime/files/file_system.h"
#include "tools/teacher_kit/banktool/archive.h"
#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/build.h"
#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/manifest.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"
#include "tools/teacher_kit/banktool/question_set.h"

namespace banktool {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

const char* Extension(PictureKind kind) {
  switch (kind) {
    case PictureKind::kGif:
      return ".gif";
    case PictureKind::kPng:
      return ".png";
    case PictureKind::kJpeg:
      return ".jpg";
    case PictureKind::kBmp:
      return ".bmp";
    case PictureKind::kNone:
      break;
  }
  return ".bin";
}

PictureKind KindOf(std::string_view bytes) { return SniffPicture(bytes.substr(0, kSniffBytes), bytes.size()); }

// "0007" for record 7 of a bank of up to 9999 questions.
std::string Padded(int64_t record, size_t width) {
  std::string digits = std::to_string(record);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// A value of a CSV row: quoted when it holds a comma, a quote or a line
// break, or begins or ends with a blank (which an unquoted value may lose).
std::string CsvValue(std::string_view value) {
  const bool quote = value.find_first_of(",\"\r\n") != std::string_view::npos ||
                     (!value.empty() &&
                      (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' || value.back() == '\t'));
  if (!quote) return std::string(value);
  std::string out = "\"";
  for (const char c : value) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

void AppendRow(std::string& table, const std::vector<std::string>& values) {
  for (size_t i = 0; i < values.size(); ++i) table.append(i ? "," : "").append(CsvValue(values[i]));
  table += kLineEnd;
}

// The keyword file's GBK lines as UTF-8, one keyword per CR LF line; false
// when a line is not GBK.
bool KeywordListBytes(std::string_view gbk, std::string& utf8) {
  utf8.clear();
  for (size_t p = 0; p < gbk.size();) {
    const std::string_view line = NextLine(gbk, p);
    if (line.empty()) continue;
    const auto text = rt::GbkToUtf8Exactly(line);
    if (!text) return false;
    utf8.append(*text).append(kLineEnd);
  }
  return true;
}

// What export made, removed again unless the run succeeds.
struct Written {
  std::vector<fs::path> paths;  // files and folders, in the order made
  bool keep = false;
  ~Written() {
    std::error_code ignored;
    if (keep) return;
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) fs::remove(*it, ignored);
  }
};

// Writes the question set into the folder `out` (new or empty), noting in
// `files` the name of each file written, as the set names it.
ExportResult ExportInto(const fs::path& bankFile, const fs::path& out, Written& written,
                        std::vector<std::string>& files) {
  ExportResult result;
  std::error_code ec;
  const fs::path keywordFile = bankFile.parent_path() / PathFromUtf8(kKeywordFileName);
  const std::string outName = PathToUtf8(out);
  const auto fail = [&](std::string error) {
    result.error = std::move(error);
    result.notes.clear();
    return result;
  };
  // The keyword list is read before anything is written.
  std::string keywords, why;
  const bool hasKeywords = fs::is_regular_file(keywordFile, ec);
  if (hasKeywords) {
    std::string gbk;
    if (!ReadFileBytes(keywordFile, gbk, why)) return fail(Say(Msg::CannotRead, PathToUtf8(keywordFile), why));
    if (!KeywordListBytes(gbk, keywords)) return fail(Say(Msg::KeywordFileNotGbk, PathToUtf8(keywordFile)));
  }

  const std::string picturesFolder(kPicturesFolderName);
  const fs::path pictures = out / PathFromUtf8(picturesFolder);
  const auto makeFolder = [&](const fs::path& folder) {
    if (fs::create_directory(folder, ec)) written.paths.push_back(folder);
    return !ec;
  };
  if (!makeFolder(out) || !makeFolder(pictures)) return fail(Say(Msg::CannotMake, outName, ErrorText(ec)));

  std::string table(kUtf8Bom);
  std::vector<std::string> header(kManifestColumns.begin(), kManifestColumns.end());
  header.insert(header.end(), kSourceColumns.begin(), kSourceColumns.end());
  AppendRow(table, header);
  int64_t expected = 1;
  const std::string bankName = PathToUtf8(bankFile);
  std::string error;
  bool writeFailed = false;
  // Writes one picture or figure of `record`, named after it and its kind;
  // its name in the table, or nothing when it cannot be written.
  const auto writePicture = [&](int64_t record, const char* prefix, std::string_view column,
                                const std::string& bytes) -> std::optional<std::string> {
    const PictureKind kind = KindOf(bytes);
    const std::string name = prefix + Padded(record, 4) + Extension(kind);
    if (kind == PictureKind::kNone) {
      result.notes.push_back(Say(Msg::ExportNotAPicture, bankName, record, column, Quoted(name)));
    }
    const fs::path path = pictures / PathFromUtf8(name);
    if (fs::exists(fs::symlink_status(path, ec))) {
      error = Say(Msg::ExportFileThere, PathToUtf8(path));
      return std::nullopt;
    }
    written.paths.push_back(path);
    if (!WriteFileBytes(path, bytes, why)) {
      error = Say(Msg::CannotWrite, PathToUtf8(path), why);
      return std::nullopt;
    }
    files.push_back(picturesFolder + "/" + name);
    return name;
  };
  const bool read = ReadBank(
      bankFile,
      [&](const BankQuestion& question) {
        const int64_t record = question.record;
        if (record != expected) result.notes.push_back(Say(Msg::ExportOutOfSequence, bankName, record, expected));
        ++expected;
        std::vector<std::string> row;
        const std::array<const char*, 3> prefixes = {"q", "a", "s"};
        for (size_t i = 0; i < 3; ++i) {
          const auto name = writePicture(record, prefixes[i], kManifestColumns[i], question.pictures[i]);
          if (!name) {
            writeFailed = true;
            return false;
          }
          row.push_back(*name);
        }
        if (const std::string bad = CheckUnit(question.unit); !bad.empty()) {
          result.notes.push_back(Say(Msg::ExportRefusedValue, bankName, record, kManifestColumns[3], bad));
        }
        row.insert(row.end(), {question.unit, question.correct, question.wrong});
        const StoredSources sources = question.sources.value_or(StoredSources{});
        for (size_t i = 0; i < sources.texts.size(); ++i) {
          if (const std::string bad = CheckSourceText(sources.texts[i]); !bad.empty()) {
            result.notes.push_back(Say(Msg::ExportRefusedValue, bankName, record, kSourceColumns[i], bad));
          }
          row.push_back(sources.texts[i]);
        }
        std::string figure;
        if (!sources.figure.empty()) {
          const auto name = writePicture(record, "f", kFigureColumn, sources.figure);
          if (!name) {
            writeFailed = true;
            return false;
          }
          figure = *name;
        }
        row.push_back(figure);
        if (!sources.place.empty() &&
            std::find(kFigurePlaces.begin(), kFigurePlaces.end(), sources.place) == kFigurePlaces.end()) {
          result.notes.push_back(
              Say(Msg::ExportRefusedPlace, bankName, record, kFigurePlaceColumn, Quoted(sources.place)));
        }
        row.push_back(sources.place);
        AppendRow(table, row);
        ++result.questions;
        if (question.sources) ++result.withSources;
        return true;
      },
      error);
  if (!read || writeFailed) return fail(error);
  if (result.questions == 0) return fail(Say(Msg::BankHoldsNoQuestions, bankName));

  const auto writeFile = [&](std::string_view name, std::string_view bytes) {
    const fs::path path = out / PathFromUtf8(name);
    written.paths.push_back(path);
    if (!WriteFileBytes(path, bytes, why)) {
      error = Say(Msg::CannotWrite, PathToUtf8(path), why);
      return false;
    }
    files.emplace_back(name);
    return true;
  };
  if (!writeFile(kQuestionTableName, table)) return fail(error);
  if (hasKeywords) {
    if (!writeFile(kKeywordListName, keywords)) return fail(error);
    result.keywords = true;
  }
  result.ok = true;
  return result;
}

bool EndsInZip(const fs::path& path) {
  std::string extension = PathToUtf8(path.extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".zip";
}

}  // namespace

ExportResult ExportBank(const fs::path& bank, const fs::path& out) {
  std::error_code ec;
  const fs::path bankFile = fs::is_directory(bank, ec) ? bank / PathFromUtf8(kBankFileName) : bank;
  const std::string outName = PathToUtf8(out);
  ExportResult refused;
  const bool exists = fs::exists(fs::symlink_status(out, ec));
  const bool archive = EndsInZip(out) && !fs::is_directory(out, ec);
  if (archive && exists) {
    refused.error = Say(Msg::ExportArchiveThere, outName);
    return refused;
  }
  if (!archive && exists) {
    if (!fs::is_directory(out, ec)) {
      refused.error = Say(Msg::IsFileNotFolder, outName);
      return refused;
    }
    if (!fs::is_empty(out, ec)) {
      refused.error = Say(Msg::ExportFolderNotEmpty, outName);
      return refused;
    }
  }
  std::vector<std::string> files;
  if (!archive) {
    Written written;
    ExportResult result = ExportInto(bankFile, out, written, files);
    written.keep = result.ok;
    return result;
  }

  // An archive: the set is written into a folder beside it, packed, and the
  // folder removed again.
  fs::path scratchName = out.filename();
  scratchName += ".banktool-" + std::to_string(CurrentProcessId()) + ".folder";
  const fs::path scratch = out.parent_path() / scratchName;
  rt::RemoveTree(scratch);
  ExportResult result;
  {
    Written written;
    result = ExportInto(bankFile, scratch, written, files);
    if (result.ok) {
      std::vector<ArchiveEntry> entries;
      for (const std::string& name : files) entries.push_back({name, scratch / PathFromUtf8(name), true});
      StagedOutputs staged;
      std::string why;
      if (!WriteArchive(staged.Stage(out), entries, LocalTimeNow(), why) || !staged.Commit(why)) {
        result = ExportResult{};
        result.error = Say(Msg::CannotWrite, outName, why);
      }
    }
  }
  rt::RemoveTree(scratch);
  result.archive = result.ok;
  return result;
}

}  // namespace banktool
