// A question set: what the question editor exports for the bank tool and
// banktool export writes, as a folder or a zip archive holding
//   题目表.csv       the table of questions (manifest.h): UTF-8, a row per
//                    question, with the source columns when the editor made
//                    the pictures
//   图片/            the pictures and figures the table names
//   关键词列表.txt   optionally, the keyword list (keywords.h)
// at its top, or inside the one folder at its top (as Windows' "extract all"
// lays out an archive whose members sit in a folder).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/teacher_kit/banktool/input_files.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

inline constexpr std::string_view kQuestionTableName = "题目表.csv";
inline constexpr std::string_view kPicturesFolderName = "图片";
inline constexpr std::string_view kKeywordListName = "关键词列表.txt";

// The files of the question set at `path`: a zip archive when it is a file,
// otherwise the folder, taken from where 题目表.csv lies. Nothing, with the
// reason in `error`, when it is neither, or holds no 题目表.csv or no 图片
// folder beside it.
std::optional<InputFiles> OpenQuestionSet(const fs::path& path, std::string& error);

}  // namespace banktool
