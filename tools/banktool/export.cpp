#include "tools/banktool/export.h"

#include "runtime/encoding.h"
#include "tools/banktool/bank.h"
#include "tools/banktool/build.h"
#include "tools/banktool/images.h"
#include "tools/banktool/manifest.h"
#include "tools/banktool/problem.h"
#include "tools/banktool/text.h"

namespace banktool {
namespace {

const char* Extension(PictureKind kind) {
  switch (kind) {
    case PictureKind::kGif: return ".gif";
    case PictureKind::kPng: return ".png";
    case PictureKind::kJpeg: return ".jpg";
    case PictureKind::kBmp: return ".bmp";
    case PictureKind::kNone: break;
  }
  return ".bin";
}

// "0007" for record 7 of a bank of up to 9999 questions.
std::string Padded(int64_t record, size_t width) {
  std::string digits = std::to_string(record);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// The keyword file's GBK lines as UTF-8, one keyword per line; false when a
// line is not GBK.
bool KeywordListBytes(std::string_view gbk, std::string& utf8) {
  utf8.clear();
  for (size_t p = 0; p < gbk.size();) {
    const std::string_view line = NextLine(gbk, p);
    if (line.empty()) continue;
    const auto text = rt::GbkToUtf8Exactly(line);
    if (!text) return false;
    utf8 += *text + "\n";
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

}  // namespace

ExportResult ExportBank(const fs::path& bank, const fs::path& out) {
  ExportResult result;
  std::error_code ec;
  const fs::path bankFile = fs::is_directory(bank, ec) ? bank / PathFromUtf8(kBankFileName) : bank;
  const fs::path keywordFile = bankFile.parent_path() / PathFromUtf8(kKeywordFileName);
  const std::string outName = PathToUtf8(out);
  const auto fail = [&](std::string error) {
    result.error = std::move(error);
    result.notes.clear();
    return result;
  };
  if (fs::exists(fs::symlink_status(out, ec))) {
    if (!fs::is_directory(out, ec)) return fail(outName + ": is a file, not a folder");
    if (!fs::is_empty(out, ec)) {
      return fail(outName + ": is not empty; export writes only into a new or empty folder, so that no file is replaced");
    }
  }
  // The keyword list is read before anything is written.
  std::string keywords, why;
  const bool hasKeywords = fs::is_regular_file(keywordFile, ec);
  if (hasKeywords) {
    std::string gbk;
    if (!ReadFileBytes(keywordFile, gbk, why)) return fail(PathToUtf8(keywordFile) + ": cannot be read: " + why);
    if (!KeywordListBytes(gbk, keywords)) return fail(PathToUtf8(keywordFile) + ": is not GBK text");
  }

  Written written;
  const fs::path pictures = out / PathFromUtf8(kExportPicturesFolder);
  const auto makeFolder = [&](const fs::path& folder) {
    if (fs::create_directory(folder, ec)) written.paths.push_back(folder);
    return !ec;
  };
  if (!makeFolder(out) || !makeFolder(pictures)) return fail(outName + ": cannot be made: " + ec.message());

  std::string manifest;
  for (const std::string_view column : kManifestColumns) manifest.append(manifest.empty() ? "" : "\t").append(column);
  manifest += "\n";
  int64_t expected = 1;
  const std::array<const char*, 3> prefixes = {"q", "a", "s"};
  const std::string bankName = PathToUtf8(bankFile);
  std::string error;
  bool writeFailed = false;
  const bool read = ReadBank(
      bankFile,
      [&](const BankQuestion& question) {
        if (question.record != expected) {
          result.notes.push_back(bankName + ": record " + std::to_string(question.record) +
                                 ": out of sequence; built again it becomes question " + std::to_string(expected));
        }
        ++expected;
        std::string row;
        for (size_t i = 0; i < 3; ++i) {
          const std::string& bytes = question.pictures[i];
          const PictureKind kind = SniffPicture(std::string_view(bytes).substr(0, kSniffBytes), bytes.size());
          const std::string name = prefixes[i] + Padded(question.record, 4) + Extension(kind);
          if (kind == PictureKind::kNone) {
            result.notes.push_back(bankName + ": record " + std::to_string(question.record) + ": " +
                                   std::string(kManifestColumns[i]) + " is not a picture; banktool build refuses " +
                                   Quoted(name));
          }
          const fs::path path = pictures / PathFromUtf8(name);
          if (fs::exists(fs::symlink_status(path, ec))) {
            error = PathToUtf8(path) + ": is there already (two records with the same number?)";
            writeFailed = true;
            return false;
          }
          written.paths.push_back(path);
          if (!WriteFileBytes(path, bytes, why)) {
            error = PathToUtf8(path) + ": cannot be written: " + why;
            writeFailed = true;
            return false;
          }
          row += name + "\t";
        }
        row += question.unit + "\t" + question.correct + "\t" + question.wrong + "\n";
        // A unit with a tab or line break would split the row: build refuses such a unit anyway.
        if (const std::string bad = CheckUnit(question.unit); !bad.empty()) {
          result.notes.push_back(bankName + ": record " + std::to_string(question.record) + ": " +
                                 std::string(kManifestColumns[3]) + " " + bad + "; banktool build refuses it");
        }
        manifest += row;
        ++result.questions;
        return true;
      },
      error);
  if (!read || writeFailed) return fail(error);
  if (result.questions == 0) return fail(bankName + ": holds no questions");

  const fs::path manifestPath = out / PathFromUtf8(kExportManifestName);
  written.paths.push_back(manifestPath);
  if (!WriteFileBytes(manifestPath, manifest, why)) return fail(PathToUtf8(manifestPath) + ": cannot be written: " + why);
  if (hasKeywords) {
    const fs::path keywordPath = out / PathFromUtf8(kExportKeywordsName);
    written.paths.push_back(keywordPath);
    if (!WriteFileBytes(keywordPath, keywords, why)) return fail(PathToUtf8(keywordPath) + ": cannot be written: " + why);
    result.keywords = true;
  }
  written.keep = true;
  result.ok = true;
  return result;
}

}  // namespace banktool
