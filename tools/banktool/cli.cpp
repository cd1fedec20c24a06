#include "tools/banktool/cli.h"

#include <map>
#include <optional>
#include <set>

#include "tools/banktool/bank.h"
#include "tools/banktool/build.h"
#include "tools/banktool/compare.h"
#include "tools/banktool/drop_build.h"
#include "tools/banktool/export.h"
#include "tools/banktool/platform.h"
#include "tools/banktool/publish.h"
#include "tools/banktool/question_set.h"
#include "tools/banktool/signing.h"

namespace banktool {
namespace {

constexpr const char* kHelp = R"(banktool - makes the question bank of 《Tessaly》之填空题练习 (题库制作工具)

USAGE
  banktool build --input FOLDER|ZIP --out DIR
                 [--keywords FILE] [--bank-version TEXT] [--fit]
  banktool build --pictures DIR --manifest FILE --out DIR
                 [--keywords FILE] [--bank-version TEXT] [--fit]
  banktool set-version --ini FILE --key 题库版本|主程序版本 --value TEXT
  banktool check --bank FILE [--against FILE]
  banktool export --bank FILE|DIR --out DIR|ZIP
  banktool publish --server DIR [--bank FILE|DIR --bank-version TEXT]
                   [[--program FILE] --program-version TEXT] [--key FILE]
                   [--program-public-key FILE] [--previous-key FILE]
                   [--release NUMBER] [--no-old-signatures]
  banktool publish --server DIR --key FILE [--previous-key FILE]
                   [--release NUMBER] [--no-old-signatures]
  banktool keygen --out DIR
  banktool --help

An option's value may also be written as --option=VALUE.

banktool build  (生成题库)
  Makes a question bank from a list of questions and a folder of pictures:
  a question set as the question editor exports it (--input), or the two
  named one by one (--pictures and --manifest).

  --input FOLDER|ZIP
      A question set: a zip archive, or a folder (the archive unpacked),
      holding
        题目表.csv      the list of questions, as --manifest below
        图片            the folder of its pictures, as --pictures below
        关键词列表.txt  the keywords, as --keywords below (optional;
                        --keywords takes its place)
      at its top, or inside the one folder at its top. The archive is read
      where it is, nothing is unpacked; it is refused whole when a member's
      name leads out of it (".." or an absolute path), is no UTF-8 or GBK
      text, is program code (.exe, .dll ...) or is no name Windows gives a
      file.
  --pictures DIR
      The folder holding the pictures: for every question a picture of the
      question, of its reference answer and of its worked solution. Each must
      be a GIF, PNG, JPEG or BMP file.
  --manifest FILE
      The list of questions: a text file saved as UTF-8 (a spreadsheet's
      "CSV UTF-8"), either comma-separated (CSV) or tab-separated (TSV). The
      first row names the columns; these six must be there, in any order
      (other columns are ignored):
        题目      file name of the question picture
        参考答案  file name of the reference-answer picture
        解答过程  file name of the worked-solution picture
        单元      the unit and knowledge points; students pick questions by
                  keywords found in this text
        正答      how many correct answers have been recorded (0 or more)
        错答      how many wrong answers have been recorded (0 or more)
      Every further row is one question, and the questions are numbered 1, 2,
      3 ... in the order of the rows. Picture file names are taken inside the
      pictures folder (a subfolder may be named, as in "set1/q1.png"). Spaces
      around a value are ignored and blank lines are skipped. In a CSV file a
      value holding a comma or a quote is put in double quotes, with each quote
      inside written twice: "函数, 单调性". A TSV file takes every value as it
      stands. The two counts set the difficulty shown with each question.
      A value in double quotes may run over several lines, as a spreadsheet
      writes a cell holding line breaks; a row is counted from the line it
      begins on.
      These columns may come too, as the question editor writes them: what
      the pictures were made from. They go into the bank's own table
      QuestionSources, which students' programs never read, so that
      banktool export gives them back:
        题目文字      the typed text (Chinese with TeX maths) of the
        参考答案文字  question, reference-answer and worked-solution
        解答过程文字  pictures, kept exactly as written, line breaks
                      included; at most 20000 bytes each
        插图          file name of the figure placed in the question, in
                      the pictures folder (a GIF, PNG, JPEG or BMP picture)
        插图位置      where the figure stands: 下方 (below the text, also
                      when empty) or 右侧 (right of the text)
      A row whose source columns are empty (pictures made by hand) has no
      sources.
  --out DIR
      The folder to write into; it is made if it does not exist. It receives:
        填空题题库.db  the question bank
        关键词.txt     the keywords offered to students (GBK, one per line)
        bank.zip       both files together, to put on the update server
        math.ini       the version file, only with --bank-version
  --keywords FILE
      The keywords offered to students: a UTF-8 text file, one keyword per
      line. Spaces around a keyword are ignored, blank lines are skipped, and
      a keyword written twice is kept once. A keyword that no question's unit
      contains is reported as a note. Without this option the keywords are
      the units themselves, each once, in the order they first appear.
  --bank-version TEXT
      Also sets 题库版本 (the question-bank version) in math.ini in the output
      folder, making the file if needed and keeping everything else in it.
      Students' programs offer the new bank when this differs from theirs.
  --fit
      Scales every picture larger than its drawing board down to fit it,
      keeping its proportions. The scaled picture goes into the bank as a
      JPEG picture when it was one, otherwise as a PNG picture (a GIF loses
      its animation: only its first picture is kept). The files in the
      pictures folder are not changed.

  The program shows each picture at its natural size on a drawing board,
  from the top-left corner, and cuts off what does not fit:
      题目      question board          785x424 pixels
      参考答案  reference-answer board  280x64
      解答过程  solution board          785x523
  A picture larger than its board is reported as a warning with its row,
  column and size, and the bank is still made; with --fit it is scaled down
  instead (a note says so).

  Every row and every picture is checked before anything is written. Each
  problem is reported with its row (the header is row 1, as a spreadsheet
  counts) and its column, for example
      题目表.csv: row 7, column 正答: "abc" is not a whole number
  Problems are: a missing column, a row with too few or too many values, a
  missing, unreadable or empty picture or figure, a file that is not a GIF,
  PNG, JPEG or BMP picture, a count that is not a whole number from 0 to
  2147483647, an empty unit or one with a character that GBK cannot encode
  (the program shows texts in GBK), a question given twice (the same question
  picture file, or another file with the very same picture), a typed text too
  long or with a control character other than a tab or a line break, and a
  figure's place other than 下方 or 右侧. When there is any
  problem, or a file cannot be written, nothing in the output folder is
  replaced: the files of a run are written under temporary names and put in
  place together at the end.

banktool set-version  (设置版本)
  Sets one version in a version file, keeping everything else in it.
  --ini FILE     the version file (math.ini); made if it does not exist
  --key KEY      题库版本 (question bank; may be written "bank") or
                 主程序版本 (main program; may be written "program")
  --value TEXT   the new version, for example 2024.09; no line breaks, no
                 spaces at either end, and only characters GBK can encode
  The file is GBK text with CR LF line ends; the key goes in section
  [版本信息].

banktool check  (检查题库)
  Lists a bank's questions: record number, unit, the two counts, and the kind,
  length and size in pixels of each picture. Reports anything the program
  could not use, and as warnings the pictures larger than their drawing board.
  --bank FILE    the bank, for example 填空题题库.db
  --against FILE the bank it replaces. Students' practice papers name
                 questions by record number, so a question inserted or removed
                 in the middle gives every later number another question.
                 Lists the records that now hold another question than in
                 FILE (moved from another record, or new) and the questions of
                 FILE that are gone. Two questions are the same when their
                 question pictures are the very same bytes: a changed answer,
                 solution, unit or count keeps the question the same, a
                 question picture made again (or scaled by --fit) makes
                 another question. The list does not change the exit status.

banktool export  (导出题库)
  Writes a bank back as a question set, the files banktool build --input
  makes it from.
  --bank FILE|DIR  the bank (填空题题库.db), or the folder that holds it; the
                 keyword file 关键词.txt beside it is exported too
  --out DIR|ZIP  a new or empty folder (anything else is refused, so no file
                 is replaced), or a new zip archive when the name ends in
                 .zip (names stored as UTF-8); it receives
                   题目表.csv      the list of questions (UTF-8 with a byte
                                   order mark, CR LF line ends, as a
                                   spreadsheet saves "CSV UTF-8"), in record
                                   order, with the source columns filled from
                                   the bank's QuestionSources
                   图片/           the pictures as the bank holds them, named
                                   q0001.png (question), a0001.png (reference
                                   answer) and s0001.png (solution) after the
                                   record, and the figures f0001.png, with the
                                   extension of their kind
                   关键词列表.txt  the keywords (UTF-8), when the bank has them
  banktool build --input DIR|ZIP makes the same bank again, sources and
  every picture byte for byte.

banktool publish  (发布到升级服务器)
  Puts a new question bank, a new main program, or both on the update
  server, so that students' programs offer them at their next start.
  --server DIR   the folder the update server serves (server/serve.sh DIR);
                 the files go into its folder zentra
  --bank FILE    the bank archive bank.zip, or the output folder of banktool
                 build that holds it; it becomes zentra/bank.zip. It is
                 unpacked as the students' programs unpack it, into a folder
                 in zentra that goes again: it must unpack whole, hold
                 填空题题库.db (a question bank) and 关键词.txt, and no member
                 the programs would refuse (an absolute path, a drive, "..", a
                 .exe, .dll, .fnr or .fne file, one of the program folder's
                 own files such as math.ini or zentra.rar, or a name Windows
                 gives no file: CON, AUX, NUL, COM1 ..., one of < > " | ? *,
                 or a trailing dot or space); at most 64 members, no two of
                 them one file (names that differ in letter case alone)
  --bank-version TEXT
                 the bank's version, set as 题库版本 in zentra/math.ini; it
                 must differ from the students' version for them to be offered
                 the bank (any difference counts, there is no order)
  --program FILE the main program's archive (RAR, ZIP, 7z, or a
                 self-extracting program); it becomes zentra/zentra.rar, which
                 students download and unpack by hand
  --program-version TEXT
                 set as 主程序版本 in zentra/math.ini; without --program it
                 records the version students run, with no new program
  Both versions must be in zentra/math.ini afterwards: students' programs
  offer an upgrade for any difference, a missing version included, so the
  first publish on a server names the bank and the program's version. The
  archives may be at most 256 MB each, as students' programs download.
  --key FILE     the private key file of banktool keygen
                 (update-signing-key.txt): each archive published is signed,
                 and its signature set in zentra/math.ini as 题库签名 or
                 主程序签名. Programs built with the matching public key
                 install or save only archives whose signature matches.
                 Without --key an archive published has no signature; the
                 signature of an archive that is not published again is kept.
                 With --key, a --program that is a zip archive must hold
                 tessaly.exe carrying the matching public key: one with
                 another key or none is refused, as its students could take
                 no signed update any more. An archive the tool cannot read
                 (RAR, 7z, self-extracting) gets a warning: check it yourself
                 with tessalyconfig show.
  --program-public-key FILE
                 for a change of key: the new update-public-key.txt, which
                 the new program carries while --key is still the old
                 private key that the students' programs check
  With --key the tool also writes zentra/math-signed.ini, the signed version
  file: the SHA-256 of math.ini, the SHA-256, size and kind of each archive
  the server offers signed, and the release number 发布序号, all signed.
  Programs built with the public key check it before they use anything of
  math.ini, and refuse a 发布序号 lower than the highest they have accepted.
  --release NUMBER
                 the 发布序号 outright (1 to 19 digits). Without it the tool
                 takes this PC's clock as YYYYMMDDhhmmss, or the server's
                 number plus one when that is higher; it refuses a clock more
                 than a day ahead of the server folder's
  --previous-key FILE
                 for a change of key: the previous private key file, while
                 students still run a program with its public key. It signs
                 math-signed.ini beside --key, and the archives' own lines in
                 math.ini in its place, so that those programs still update
                 (and fetch the program with the new key)
  --no-old-signatures
                 leave the archives' own signature lines (题库签名, 主程序签名)
                 out of math.ini. Programs handed out before the signed
                 version file read only those lines: leave this off until
                 every student runs a program that checks the file
  Every other line of zentra/math.ini is kept: students see the whole file on
  the program's 关于本软件 page, so a notice may be added to it; programs with
  a key then refuse math.ini until it is signed again: banktool publish
  --server DIR --key FILE alone signs math.ini as it is. The archives are put
  in place before math.ini, and math.ini before math-signed.ini, all together
  or not at all.

banktool keygen  (生成签名密钥)
  Makes the school's update signing key (ECDSA P-256) in two text files:
  --out DIR      the folder to write them into (made if needed); a key that
                 is there already is never replaced
    update-signing-key.txt  the private key, lines private-key=<64 hex
                            digits> and public-key=<128 hex digits>. Secret:
                            whoever has it can make students' programs
                            install anything. Keep it off the update server
                            and out of the program folder; give it to
                            banktool publish --key.
    update-public-key.txt   the public key, one line of 128 hex digits: give
                            the students' program it (tessalyconfig set
                            PROGRAM --out COPY --update-public-key FILE).

EXIT STATUS
  0  done
  1  a problem was found in the input, or a file could not be written
  2  the command line is wrong
)";

// How many problems a failed build lists before it sums up the rest.
constexpr size_t kShownProblems = 50;

// "1 question", "3 questions".
std::string Count(size_t n, const char* thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

// A path as a command line takes it: in double quotes when it holds a blank,
// as the guide tells teachers to write one.
std::string ShellWord(const std::string& path) {
  return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

struct Command {
  std::set<std::string> required, optional;
  std::set<std::string> switches = {};  // options without a value
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"build", {{"--out"}, {"--input", "--pictures", "--manifest", "--keywords", "--bank-version"}, {"--fit"}}},
      {"set-version", {{"--ini", "--key", "--value"}, {}}},
      {"check", {{"--bank"}, {"--against"}}},
      {"export", {{"--bank", "--out"}, {}}},
      {"publish",
       {{"--server"},
        {"--bank", "--bank-version", "--program", "--program-version", "--key", "--program-public-key",
         "--previous-key", "--release"},
        {"--no-old-signatures"}}},
      {"keygen", {{"--out"}, {}}},
  };
  return commands;
}

// The options of one command, or false after telling what is wrong.
bool ParseOptions(const std::string& name, const std::vector<std::string>& args,
                  std::map<std::string, std::string>& values, std::ostream& err) {
  const Command& command = Commands().at(name);
  const auto usage = [&](const std::string& text) {
    err << "banktool " << name << ": " << text << " (see banktool --help)\n";
    return false;
  };
  for (size_t i = 1; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> value;
    if (const auto equals = option.find('='); option.starts_with("--") && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    if (command.switches.contains(option)) {
      if (value) return usage(option + " takes no value");
      if (!values.emplace(option, "").second) return usage(option + " is given twice");
      continue;
    }
    if (!command.required.contains(option) && !command.optional.contains(option)) {
      return usage(option.starts_with("-") ? "unknown option " + option : "unexpected argument \"" + option + "\"");
    }
    if (!value) {
      if (i + 1 >= args.size()) return usage(option + " needs a value");
      value = args[++i];
    }
    if (!values.emplace(option, *value).second) return usage(option + " is given twice");
  }
  for (const auto& option : command.required) {
    if (!values.contains(option)) return usage("missing " + option);
  }
  return true;
}

int Build(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  // The input is a question set, or a pictures folder and a manifest.
  const bool set = values.contains("--input");
  const bool files = values.contains("--pictures") || values.contains("--manifest");
  if (set == files || (!set && !(values.contains("--pictures") && values.contains("--manifest")))) {
    err << "banktool build: "
        << (set ? "--input takes the place of --pictures and --manifest; give one or the other"
                : "name the input: --input PATH (a question set), or --pictures DIR and --manifest FILE")
        << " (see banktool --help)\n";
    return kExitUsage;
  }
  BuildOptions options;
  if (set) {
    options.input = PathFromUtf8(values.at("--input"));
  } else {
    options.pictures = PathFromUtf8(values.at("--pictures"));
    options.manifest = PathFromUtf8(values.at("--manifest"));
  }
  options.out = PathFromUtf8(values.at("--out"));
  if (values.contains("--keywords")) options.keywords = PathFromUtf8(values.at("--keywords"));
  if (values.contains("--bank-version")) options.bankVersion = values.at("--bank-version");
  options.fit = values.contains("--fit");

  const BuildResult result = BuildBank(options);
  for (const auto& warning : result.warnings) err << "warning: " << warning << "\n";
  for (const auto& note : result.notes) out << "note: " << note << "\n";
  if (!result.ok) {
    for (size_t i = 0; i < result.errors.size() && i < kShownProblems; ++i) err << result.errors[i] << "\n";
    if (result.errors.size() > kShownProblems) {
      err << "... and " << result.errors.size() - kShownProblems << " more problems\n";
    }
    err << "banktool build: " << Count(result.errors.size(), "problem") << "; nothing in " << values.at("--out") << " was replaced\n";
    return kExitProblems;
  }
  const std::string sources =
      result.withSources > 0 ? " (" + std::to_string(result.withSources) + " with their sources)" : std::string();
  out << "banktool build: " << Count(result.questions, "question") << sources << " and "
      << Count(result.keywords, "keyword")
      << " written to " << values.at("--out") << ": " << kBankFileName << ", " << kKeywordFileName << ", " << kArchiveFileName;
  if (options.bankVersion) out << ", " << kIniFileName << " (" << kBankVersionKey << "=" << *options.bankVersion << ")";
  out << "\n";
  return kExitDone;
}

int SetVersionCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  std::string key = values.at("--key");
  if (key == "bank") key = kBankVersionKey;
  if (key == "program") key = kProgramVersionKey;
  std::string error;
  if (!SetVersion(PathFromUtf8(values.at("--ini")), key, values.at("--value"), error)) {
    err << "banktool set-version: " << error << "\n";
    return kExitProblems;
  }
  out << values.at("--ini") << ": [" << kVersionSection << "] " << key << "=" << values.at("--value") << "\n";
  return kExitDone;
}

int Check(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  int warnings = 0;
  const int faults = CheckBank(PathFromUtf8(values.at("--bank")), out, err, warnings);
  if (faults < 0) return kExitProblems;
  if (values.contains("--against")) {
    std::string error;
    if (CompareBanks(PathFromUtf8(values.at("--bank")), PathFromUtf8(values.at("--against")), out, error) < 0) {
      err << "banktool check: --against: " << error << "\n";
      return kExitProblems;
    }
  }
  const std::string warned = warnings > 0 ? "; " + Count(static_cast<size_t>(warnings), "warning") : "";
  if (faults == 0) {
    out << values.at("--bank") << ": no problems found" << warned << "\n";
    return kExitDone;
  }
  err << values.at("--bank") << ": " << Count(faults, "problem") << warned << "\n";
  return kExitProblems;
}

int ExportCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  const std::string target = values.at("--out");
  const ExportResult result = ExportBank(PathFromUtf8(values.at("--bank")), PathFromUtf8(target));
  if (!result.ok) {
    err << "banktool export: " << result.error << "\n";
    return kExitProblems;
  }
  for (const auto& note : result.notes) out << "note: " << note << "\n";
  const std::string sources =
      result.withSources > 0 ? " (" + std::to_string(result.withSources) + " with their sources)" : std::string();
  out << "banktool export: " << Count(static_cast<size_t>(result.questions), "question") << sources << " written to "
      << target << ": " << kQuestionTableName << ", " << kPicturesFolderName << "/"
      << (result.keywords ? ", " + std::string(kKeywordListName) : std::string()) << "\n"
      << "  to build it again: banktool build --input " << ShellWord(target) << " --out FOLDER\n";
  return kExitDone;
}

int PublishCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  // A bank goes with its version; a program needs its version, which may also
  // come alone (the version students run, with no new program to offer).
  if (values.contains("--bank") != values.contains("--bank-version") ||
      (values.contains("--program") && !values.contains("--program-version"))) {
    const bool bank = values.contains("--bank") != values.contains("--bank-version");
    err << "banktool publish: " << (bank ? "--bank and --bank-version" : "--program needs --program-version")
        << (bank ? " go together" : "") << " (see banktool --help)\n";
    return kExitUsage;
  }
  PublishOptions options;
  options.server = PathFromUtf8(values.at("--server"));
  if (values.contains("--bank")) {
    options.bank = PathFromUtf8(values.at("--bank"));
    options.bankVersion = values.at("--bank-version");
  }
  if (values.contains("--program")) options.program = PathFromUtf8(values.at("--program"));
  if (values.contains("--program-version")) options.programVersion = values.at("--program-version");
  if (values.contains("--key")) options.key = PathFromUtf8(values.at("--key"));
  if (values.contains("--program-public-key")) options.programPublicKey = values.at("--program-public-key");
  if (values.contains("--previous-key")) options.previousKey = PathFromUtf8(values.at("--previous-key"));
  if (values.contains("--release")) options.release = values.at("--release");
  options.oldSignatures = !values.contains("--no-old-signatures");
  std::string error;
  std::vector<std::string> notes, warnings;
  uint64_t release = 0;
  if (!Publish(options, error, &notes, &warnings, &release)) {
    err << "banktool publish: " << error << "\n";
    return kExitProblems;
  }
  const char* signedText = options.key ? ", signed" : "";
  out << "banktool publish: " << values.at("--server") << "/" << kServerSubfolder << ":";
  if (options.bank) {
    out << " " << kArchiveFileName << " (" << kBankVersionKey << "=" << *options.bankVersion << signedText << "),";
  }
  if (options.program) {
    out << " " << kProgramArchiveName << " (" << kProgramVersionKey << "=" << *options.programVersion << signedText
        << "),";
  }
  if (!options.program && options.programVersion) out << " " << kProgramVersionKey << "=" << *options.programVersion << ",";
  out << " " << kIniFileName;
  if (release) out << ", " << program::kSignedVersionServerName << " (发布序号=" << release << ")";
  out << "\n";
  for (const std::string& note : notes) out << "note: " << note << "\n";
  for (const std::string& warning : warnings) err << "warning: " << warning << "\n";
  return kExitDone;
}

int KeygenCommand(const std::map<std::string, std::string>& values, std::ostream& out, std::ostream& err) {
  const std::string folder = values.at("--out");
  std::string error;
  if (!WriteNewKeyPair(PathFromUtf8(folder), error)) {
    err << "banktool keygen: " << error << "\n";
    return kExitProblems;
  }
  out << "banktool keygen: " << folder << "/" << kPrivateKeyFileName
      << ": the private key: keep it secret, off the update server and out of the program folder\n"
      << "banktool keygen: " << folder << "/" << kPublicKeyFileName
      << ": the public key: give the students' program it (tessalyconfig set ... --update-public-key)\n";
  return kExitDone;
}

}  // namespace

const char* HelpText() { return kHelp; }

int RunBankTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << "banktool: name a command: build, set-version, check, export, publish or keygen (see banktool --help)\n";
    return kExitUsage;
  }
  const std::string& name = args[0];
  const auto wantsHelp = [](const std::string& a) { return a == "--help" || a == "-h" || a == "help"; };
  if (wantsHelp(name) || (args.size() > 1 && wantsHelp(args[1]) && Commands().contains(name))) {
    out << kHelp;
    return kExitDone;
  }
  // A question set dropped onto the tool (or named alone): a bank beside it.
  if (args.size() == 1 && !Commands().contains(name) && IsDroppedSet(PathFromUtf8(name))) {
    return DropBuild(PathFromUtf8(name), ToolFolder(), LocalTimeNow(), out) == 0 ? kExitDone : kExitProblems;
  }
  if (!Commands().contains(name)) {
    err << "banktool: unknown command \"" << name << "\"; the commands are build, set-version, check, export, publish and keygen"
        << " (see banktool --help)\n";
    return kExitUsage;
  }
  std::map<std::string, std::string> values;
  if (!ParseOptions(name, args, values, err)) return kExitUsage;
  if (name == "build") return Build(values, out, err);
  if (name == "set-version") return SetVersionCommand(values, out, err);
  if (name == "publish") return PublishCommand(values, out, err);
  if (name == "keygen") return KeygenCommand(values, out, err);
  if (name == "export") return ExportCommand(values, out, err);
  return Check(values, out, err);
}

}  // namespace banktool
