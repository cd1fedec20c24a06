// A bank written back to what banktool build takes: a manifest, a folder of
// pictures and, when the bank has a keyword file, the keyword list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/banktool/platform.h"

namespace banktool {

// The names export writes inside its output folder.
inline constexpr std::string_view kExportManifestName = "manifest.tsv";
inline constexpr std::string_view kExportPicturesFolder = "pictures";
inline constexpr std::string_view kExportKeywordsName = "keywords.txt";

struct ExportResult {
  bool ok = false;
  std::string error;
  std::vector<std::string> notes;  // what banktool build would refuse or change in what was written
  int questions = 0;
  bool keywords = false;  // keywords.txt was written
};

// Writes the questions of `bank` (a bank file, or a folder holding
// 填空题题库.db) into `out`, which must not exist or be an empty folder:
//   manifest.tsv  UTF-8 TSV with the six columns, one row per record in
//                 record order
//   pictures/     the pictures as stored, named q<record>, a<record> and
//                 s<record> with the extension of their kind (.gif, .png,
//                 .jpg, .bmp)
//   keywords.txt  UTF-8, one keyword per line: 关键词.txt beside the bank,
//                 when there is one
// On failure nothing it wrote is left behind.
ExportResult ExportBank(const fs::path& bank, const fs::path& out);

}  // namespace banktool
