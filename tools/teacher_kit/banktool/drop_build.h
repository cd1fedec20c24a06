// The path without a command line: a teacher drops the question editor's
// export (a zip archive) or a folder holding 题目表.csv onto banktool.exe,
// and gets a bank beside it, a summary in Chinese and, when the student's
// program is at hand, a copy of it to try the bank in.
//
//   <set>-题库\   the bank as `banktool build --input <set>` makes it, with
//                 题库版本 the day and minute of the build (YYYY.MM.DD.hhmm)
//   <set>-试用\   when a folder 学生程序 with tessaly.exe stands beside
//                 banktool.exe: a copy of it with the new bank, its math.ini's
//                 题库版本 set to the bank's, and its update servers emptied,
//                 so that the trial copy never replaces the trial bank from
//                 the school's server
// Nothing of the set is changed. When the build refuses the set, nothing is
// written, and the reasons are shown.
#pragma once

#include <ctime>
#include <ostream>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

// Whether `path` is what a teacher drops: an existing zip archive or folder.
bool IsDroppedSet(const fs::path& path);

// Builds the bank of the dropped `set` (and the trial copy, with the student's
// program from `toolFolder`/学生程序); `now` names the bank's version. 0 when
// the bank was built.
int DropBuild(const fs::path& set, const fs::path& toolFolder, const std::tm& now, std::ostream& out);

// What a teacher who double-clicks banktool.exe reads.
void DoubleClickHelp(std::ostream& out);

}  // namespace banktool
