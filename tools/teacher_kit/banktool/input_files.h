// The files a build reads its questions from: a folder on disk, or the
// members of a zip archive read where they are (nothing is unpacked, so a
// build writes nothing but its outputs). Names are UTF-8 with '/' between
// folders, relative to the input's top; "" is the top itself.
//
// An archive's member names are read as the program's unpacker reads them
// (UTF-8 when the member's flag says so, otherwise GBK) and checked by its
// rule (rt::CheckMemberName): an archive with a member whose name leads out
// of it ("..", an absolute path, a drive), is no text, would be program code
// or is no name Windows gives a file is refused whole, and so is one holding a
// name twice. A member is read whole, at most kLargestMember bytes, and its
// CRC-32 checked; an encrypted member cannot be read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

// The most bytes one member of an input archive may unpack to, which keeps a
// member whose header lies about its size from taking all memory. SQLite
// stores no value larger than a gigabyte anyway.
inline constexpr uint64_t kLargestMember = uint64_t{1} << 30;

class InputFiles {
 public:
  enum class Kind { kMissing, kFile, kFolder };

  // The folder on disk.
  static InputFiles Folder(const fs::path& folder);
  // The zip archive; nothing, with the reason in `error` (naming the file),
  // when it cannot be read as one or holds a member name it refuses.
  static std::optional<InputFiles> Zip(const fs::path& zip, std::string& error);

  // The folder `name` of this input, as an input of its own.
  InputFiles In(std::string_view name) const;

  Kind KindOf(std::string_view name) const;
  // The whole file; false with the reason in `why`.
  bool Read(std::string_view name, std::string& bytes, std::string& why) const;
  // The names of the files and folders at this input's top.
  std::vector<std::string> List() const;
  // A file or folder of this input for messages, as a path: "D:/set/图片" or,
  // inside an archive, "D:/set.zip/图片".
  std::string Shown(std::string_view name = {}) const;

 private:
  struct Archive;

  fs::path path_;                     // the folder, or the archive file
  std::shared_ptr<Archive> archive_;  // the open archive and its members; null for a folder
  std::string prefix_;                // "" or the folder this input stands for, ending in '/'
};

}  // namespace banktool
