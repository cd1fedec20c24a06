#include "tools/banktool/drop_build.h"

#include <cstdio>
#include <string>
#include <vector>

#include "program/file_names.h"
#include "program/program_settings.h"
#include "program/program_settings_file.h"
#include "tools/banktool/build.h"

namespace banktool {
namespace {

constexpr std::string_view kStudentProgramFolder = "学生程序";

std::string Stem(const fs::path& set) {
  fs::path name = set.filename();
  if (name.empty()) name = set.parent_path().filename();  // "D:\\题目\\"
  std::string stem = PathToUtf8(name);
  if (fs::is_regular_file(set) && stem.size() > 4 && (stem.ends_with(".zip") || stem.ends_with(".ZIP"))) {
    stem.resize(stem.size() - 4);
  }
  return stem;
}

fs::path Beside(const fs::path& set, const std::string& stem, std::string_view suffix) {
  const fs::path folder = fs::absolute(set).lexically_normal();
  const fs::path parent = folder.filename().empty() ? folder.parent_path().parent_path() : folder.parent_path();
  return parent / PathFromUtf8(stem + std::string(suffix));
}

std::string Version(const std::tm& now) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d.%02d%02d", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
                now.tm_hour, now.tm_min);
  return text;
}

// The trial copy: the student's program folder with the new bank and its
// update servers emptied. Empty when it was made, else why not.
std::string MakeTrialCopy(const fs::path& student, const fs::path& bank, const fs::path& trial,
                          const std::string& version) {
  std::error_code ec;
  fs::create_directories(trial, ec);
  if (ec) return PathToUtf8(trial) + "：" + ErrorText(ec);
  // File by file: the C++ library's recursive copy refuses a folder that
  // exists on Windows, and the trial folder may be there from the last drop.
  for (fs::recursive_directory_iterator it(student, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path target = trial / it->path().lexically_relative(student);
    if (it->is_directory(ec)) {
      fs::create_directories(target, ec);
    } else {
      fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing, ec);
    }
  }
  if (ec) return "复制学生程序失败：" + ErrorText(ec);
  std::string why, bytes;
  for (const std::string& name : {kBankFileName, std::string(program::kKeywordFileName)}) {
    if (!ReadFileBytes(bank / PathFromUtf8(name), bytes, why) || !WriteFileBytes(trial / PathFromUtf8(name), bytes, why)) {
      return why;
    }
  }
  if (!SetVersion(trial / program::kVersionFileName, kBankVersionKey, version, why)) return why;
  const fs::path program = trial / program::kProgramFileName;
  std::string exe;
  if (!ReadFileBytes(program, exe, why)) return why;
  std::vector<uint8_t> image(exe.begin(), exe.end());
  const auto found = program::ReadProgramSettings(image, why);
  if (!found) return "学生程序\\tessaly.exe：" + why;
  // Both update servers empty: the trial copy asks no server.
  std::vector<program::SettingChange> changes;
  for (const program::SettingSlot& slot : program::kSettings) {
    if (slot.name == program::kPublicUpdateHostSetting.name || slot.name == program::kLanUpdateHostSetting.name) {
      changes.push_back({&slot, ""});
    }
  }
  if (!program::ChangeSettings(image, *found, changes, why)) return why;
  return WriteFileBytes(program, std::string(image.begin(), image.end()), why) ? std::string() : why;
}

}  // namespace

bool IsDroppedSet(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  if (!fs::is_regular_file(path, ec)) return false;
  const std::string name = PathToUtf8(path.filename());
  return name.size() > 4 && (name.ends_with(".zip") || name.ends_with(".ZIP"));
}

int DropBuild(const fs::path& set, const fs::path& toolFolder, const std::tm& now, std::ostream& out) {
  const std::string stem = Stem(set);
  const fs::path bankFolder = Beside(set, stem, "-题库");
  const std::string version = Version(now);
  out << "题库工具：用“" << PathToUtf8(set) << "”建题库……\n";

  BuildOptions options;
  options.input = set;
  options.out = bankFolder;
  options.bankVersion = version;
  const BuildResult result = BuildBank(options);
  for (const auto& line : result.errors) out << "  " << line << "\n";
  if (!result.ok) {
    out << "\n没有建成题库：题目集里有上面这些问题（第几行、哪一列），改好后再拖一次。什么文件都没有写。\n";
    return 1;
  }
  for (const auto& line : result.warnings) out << "  注意：" << line << "\n";
  for (const auto& line : result.notes) out << "  " << line << "\n";
  out << "\n题库建好了：" << PathToUtf8(bankFolder) << "\n"
      << "  题目 " << result.questions << " 道（" << result.withSources << " 道带着输入的文字），关键词 "
      << result.keywords << " 个（来自题目集里的 关键词列表.txt；没有它时，每个单元算一个关键词）\n"
      << "  题库版本 " << version << "（建题库的日期和时间）\n"
      << "  发布到升级服务器的方法见教师说明。\n";

  const fs::path student = toolFolder / PathFromUtf8(kStudentProgramFolder);
  std::error_code ec;
  if (!fs::is_regular_file(student / program::kProgramFileName, ec)) {
    out << "\n想先在学生的程序里试一试：把学生用的程序文件夹复制到 banktool.exe 旁边，改名为“学生程序”，再拖一次。\n";
    return 0;
  }
  const fs::path trial = Beside(set, stem, "-试用");
  if (const std::string why = MakeTrialCopy(student, bankFolder, trial, version); !why.empty()) {
    out << "\n没有做成试用的程序：" << why << "\n";
    return 0;
  }
  out << "\n试用：双击 " << PathToUtf8(trial / program::kProgramFileName) << "\n"
      << "  它是“学生程序”的一份拷贝，装着新题库；它不连升级服务器，所以不会把试用的题库换掉。不要把它发给学生。\n";
  return 0;
}

void DoubleClickHelp(std::ostream& out) {
  out << "题库工具 banktool\n\n"
         "这个工具不用双击打开，有两种用法：\n\n"
         "1. 用题库编辑器做题：在编辑器里点“导出给 banktool…”，把导出的 .zip 文件拖到 banktool.exe 上松开。\n"
         "   题库会建在 .zip 文件旁边的“……-题库”文件夹里。装着题目表.csv 的文件夹也可以这样拖。\n"
         "   banktool.exe 旁边有“学生程序”文件夹（学生用的程序）时，还会做一份装着新题库的试用程序。\n\n"
         "2. 其他事情（检查、导出、发布题库，生成密钥）在命令提示符窗口里做：打开工具包文件夹，\n"
         "   在资源管理器上方的地址栏里输入 cmd 后按回车，再输入 banktool.exe --help 查看全部命令。\n\n"
         "详见工具包里的 教师说明.txt。\n";
}

}  // namespace banktool
