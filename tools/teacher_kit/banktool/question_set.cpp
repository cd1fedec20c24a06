#include "tools/teacher_kit/banktool/question_set.h"

#include "tools/teacher_kit/banktool/toolkit_names.h"

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
    error = Say(Msg::NoSuchFileOrFolder, name);
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
    error = Say(Msg::SetLacks, name, what, table, pictures, kKeywordListName);
    return std::nullopt;
  };
  if (top->KindOf(table) != InputFiles::Kind::kFile) return missing(table);
  if (top->KindOf(pictures) != InputFiles::Kind::kFolder) return missing(Say(Msg::SetLacksPictures, pictures, table));
  return top;
}

}  // namespace banktool
