#include "tools/banktool/question_set.h"

namespace banktool {

std::optional<InputFiles> OpenQuestionSet(const fs::path& path, std::string& error) {
  const std::string name = PathToUtf8(path);
  std::error_code ec;
  const auto status = fs::status(path, ec);
  std::optional<InputFiles> top;
  if (fs::is_directory(status)) {
    top = InputFiles::Folder(path);
  } else if (fs::is_regular_file(status)) {
    top = InputFiles::Zip(path, error);
    if (!top) return std::nullopt;
  } else {
    error = name + ": there is no such file or folder";
    return std::nullopt;
  }
  const std::string table(kQuestionTableName), pictures(kPicturesFolderName);
  if (top->KindOf(table) == InputFiles::Kind::kMissing) {
    // The set inside the one folder at the top.
    const std::vector<std::string> names = top->List();
    if (names.size() == 1 && top->KindOf(names[0]) == InputFiles::Kind::kFolder &&
        top->In(names[0]).KindOf(table) != InputFiles::Kind::kMissing) {
      top = top->In(names[0]);
    }
  }
  const auto missing = [&](const std::string& what) {
    error = name + ": holds no " + what + "; a question set holds " + table + ", the folder " + pictures +
            " and perhaps " + std::string(kKeywordListName) + ", at its top or in the one folder there";
    return std::nullopt;
  };
  if (top->KindOf(table) != InputFiles::Kind::kFile) return missing(table);
  if (top->KindOf(pictures) != InputFiles::Kind::kFolder) return missing("folder " + pictures + " beside " + table);
  return top;
}

}  // namespace banktool
