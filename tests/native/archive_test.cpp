// The unpacker's work: which member names are refused, how names are decoded,
// and real archives (written here with minizip) unpacked into a folder.
// Ordinary literals are GBK; UTF-8 is written as u8 literals.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/data/encoding.h"
#include "runtime/files/archive_names.h"
#include "runtime/files/staged_install.h"
#include "runtime/files/unpack.h"
#include "runtime/window/unpacker.h"

namespace {

namespace fs = std::filesystem;
using rt::MemberVerdict;

std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST(MemberNames, EscapingNamesAreRefusedWithTheirReason) {
  struct Case {
    const char* name;
    MemberVerdict verdict;
  };
  const Case cases[] = {
      {"/etc/passwd", MemberVerdict::Absolute},
      {"\\Windows\\win.ini", MemberVerdict::Absolute},
      {"//server/share/x.txt", MemberVerdict::Absolute},
      {"C:/x.txt", MemberVerdict::DriveOrColon},
      {"c:x.txt", MemberVerdict::DriveOrColon},
      {"bank.db:hidden", MemberVerdict::DriveOrColon},
      {"../x.txt", MemberVerdict::ParentFolder},
      {"..\\x.txt", MemberVerdict::ParentFolder},
      {"a/../../x.txt", MemberVerdict::ParentFolder},
      {"a\\b\\..\\..\\..\\x.txt", MemberVerdict::ParentFolder},
      {"a/..", MemberVerdict::ParentFolder},
      {"tessaly.exe", MemberVerdict::ProgramCode},
      {"sub/KRNLN.FNR", MemberVerdict::ProgramCode},
      {"zlib1.Dll", MemberVerdict::ProgramCode},
      {"lib/e.fne", MemberVerdict::ProgramCode},
      {"", MemberVerdict::BadName},
      {".", MemberVerdict::BadName},
      {"tessaly.exe.", MemberVerdict::BadName},  // Windows would open tessaly.exe
      {"tessaly.exe ", MemberVerdict::BadName},
      {"...", MemberVerdict::BadName},
      {"a?.txt", MemberVerdict::BadName},
      {"a*b", MemberVerdict::BadName},
      {"new\nline", MemberVerdict::BadName},
      {"CON", MemberVerdict::BadName},
      {"sub/nul.txt", MemberVerdict::BadName},
      {"Lpt1", MemberVerdict::BadName},
      {"CON .txt", MemberVerdict::BadName},
      {"COM\xC2\xB9.txt", MemberVerdict::BadName},     // COM¹
      {"LPT\xC2\xB2", MemberVerdict::BadName},         // LPT²
      {"BANK-U~1/new/x.txt", MemberVerdict::BadName},  // the staging folder's short name
      {"pictures/Q1~2.png", MemberVerdict::BadName},
      {"run.SCR", MemberVerdict::ProgramCode},
      {"a/setup.bat", MemberVerdict::ProgramCode},
      {"x.cmd", MemberVerdict::ProgramCode},
      {"link.lnk", MemberVerdict::ProgramCode},
      {"tessaly.exe.manifest", MemberVerdict::ProgramCode},
      {"app.config", MemberVerdict::ProgramCode},
      {"old.com", MemberVerdict::ProgramCode},
  };
  for (const Case& c : cases) {
    const rt::MemberCheck check = rt::CheckMemberName(c.name);
    EXPECT_EQ(check.verdict, c.verdict) << '"' << c.name << '"';
    EXPECT_TRUE(check.relative.empty()) << c.name;
  }
}

TEST(MemberNames, AcceptedNamesGiveTheirPathInsideTheTarget) {
  struct Case {
    std::string name, relative;
    bool folder;
  };
  const Case cases[] = {
      {U8(u8"填空题题库.db"), U8(u8"填空题题库.db"), false},
      {"pictures\\q1.gif", "pictures/q1.gif", false},
      {"./a//b/./c.txt", "a/b/c.txt", false},
      {"sub/", "sub", true},
      {"./", "", true},
      {"exe", "exe", false},
      {"setup.exe.txt", "setup.exe.txt", false},
      {"bin.exe/readme.txt", "bin.exe/readme.txt", false},  // a folder so named holds no code itself
      {"..a/b..c", "..a/b..c", false},                      // dots inside names are no parent folder
      {"COM10.txt", "COM10.txt", false},
      {"console.txt", "console.txt", false},
      {U8(u8"COM¹0.txt"), U8(u8"COM¹0.txt"), false},
      {"a~b.txt", "a~b.txt", false},
      {"comic.txt", "comic.txt", false},
  };
  for (const Case& c : cases) {
    const rt::MemberCheck check = rt::CheckMemberName(c.name);
    EXPECT_EQ(check.verdict, MemberVerdict::Accepted) << c.name;
    EXPECT_EQ(check.relative, c.relative) << c.name;
    EXPECT_EQ(check.folder, c.folder) << c.name;
  }
}

TEST(MemberNames, DecodedAsUtf8WhenFlaggedOtherwiseAsGbk) {
  const std::string keywordsUtf8 = U8(u8"关键词.txt");
  EXPECT_EQ(rt::DecodeMemberName("关键词.txt", 0), keywordsUtf8);  // the literal is GBK
  EXPECT_EQ(rt::DecodeMemberName(keywordsUtf8, rt::kZipUtf8NameFlag), keywordsUtf8);
  EXPECT_EQ(rt::DecodeMemberName("plain.txt", rt::kZipUtf8NameFlag | 0x0008), "plain.txt");
  // Bytes that are no character of their encoding can name no file.
  for (const std::string& bad : {std::string("\xE5\x85"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80x")}) {
    EXPECT_EQ(rt::CheckMemberName(rt::DecodeMemberName(bad, rt::kZipUtf8NameFlag)).verdict, MemberVerdict::BadName);
  }
  for (const std::string& bad : {std::string("a\xFF.txt"), std::string("a.txt\x81"), std::string("\x81\x20.txt")}) {
    EXPECT_EQ(rt::CheckMemberName(rt::DecodeMemberName(bad, 0)).verdict, MemberVerdict::BadName);
  }
}

// Names Windows takes for one file fold alike: letters of either case in
// the alphabets GBK names hold, the final sigma with σ; nothing else.
TEST(MemberNames, NamesThatDifferInLetterCaseAloneFoldAlike) {
  const std::pair<std::string, std::string> same[] = {
      {"Keywords.TXT", "keywords.txt"},
      {U8(u8"ＡＢＣ.txt"), U8(u8"ａｂｃ.txt")},  // full-width Latin
      {U8(u8"ΣΩ.txt"), U8(u8"σω.txt")},          // Greek
      {U8(u8"ς"), U8(u8"Σ")},
      {U8(u8"ЁЖ.txt"), U8(u8"ёж.txt")},    // Cyrillic
      {U8(u8"ÀÉ.txt"), U8(u8"àé.txt")},    // Latin-1
      {U8(u8"ĀŹ.txt"), U8(u8"āź.txt")},    // Latin Extended-A
      {U8(u8"ǍǛǸ.txt"), U8(u8"ǎǜǹ.txt")},  // the pinyin letters
      {U8(u8"Ÿ"), U8(u8"ÿ")},
  };
  for (const auto& [a, b] : same) EXPECT_EQ(rt::FoldedName(a), rt::FoldedName(b)) << a << " " << b;
  const std::pair<std::string, std::string> different[] = {
      {"a.txt", "b.txt"},     {U8(u8"ǎ"), "a"},  {U8(u8"ā"), U8(u8"ă")},
      {U8(u8"ё"), U8(u8"е")}, {U8(u8"ａ"), "a"}, {U8(u8"关键词.txt"), U8(u8"关键字.txt")},
  };
  for (const auto& [a, b] : different) EXPECT_NE(rt::FoldedName(a), rt::FoldedName(b)) << a << " " << b;
  EXPECT_EQ(rt::FoldedName(U8(u8"图片/Q1.GIF")), U8(u8"图片/q1.gif"));
  EXPECT_EQ(rt::FoldedName("a\xFF\xC3"), "a\xFF\xC3") << "bytes that are no character stay as they are";
}

TEST(MemberNames, ProgressTextIsTheNameInGbkWithTheReasonForARefusal) {
  rt::MemberReport member;
  member.name = U8(u8"关键词.txt");
  member.outcome = rt::MemberOutcome::Written;
  EXPECT_EQ(rt::MemberProgressText(member), "关键词.txt");
  member.name = "../x.txt";
  member.outcome = rt::MemberOutcome::Refused;
  member.verdict = MemberVerdict::ParentFolder;
  EXPECT_EQ(rt::MemberProgressText(member), "../x.txt（已拒绝：路径指向目标文件夹以外）");
  member.name = "a.exe";
  member.verdict = MemberVerdict::ProgramCode;
  EXPECT_EQ(rt::MemberProgressText(member), "a.exe（已拒绝：不能替换程序文件）");
  member.verdict = MemberVerdict::SameName;
  EXPECT_EQ(rt::MemberProgressText(member), "a.exe（已拒绝：与另一文件同名）");
  member.outcome = rt::MemberOutcome::Failed;
  EXPECT_EQ(rt::MemberProgressText(member), "a.exe（未能解压）");
}

// An archive member as a zip program would store it.
struct Member {
  std::string rawName;  // the name's bytes in the archive
  std::string content;
  bool utf8Flag = false;
  bool stored = false;  // not compressed, so that its bytes can be found and damaged
};

void WriteZip(const fs::path& path, const std::vector<Member>& members) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(zip, nullptr);
  for (const Member& m : members) {
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip4_64(zip, m.rawName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      m.stored ? 0 : Z_DEFLATED, m.stored ? 0 : Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, 8,
                                      Z_DEFAULT_STRATEGY, nullptr, 0, 20, m.utf8Flag ? rt::kZipUtf8NameFlag : 0, 0),
              ZIP_OK);
    if (!m.content.empty()) {
      ASSERT_EQ(zipWriteInFileInZip(zip, m.content.data(), static_cast<unsigned>(m.content.size())), ZIP_OK);
    }
    ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
  }
  ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class Unpacking : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tessaly-unpack-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "outside");
    zip_ = dir_ / "bank.zip";
    target_ = dir_ / "outside" / "target";
  }
  void TearDown() override { fs::remove_all(dir_); }

  rt::UnpackReport Unpack(rt::UnpackLimits limits = {}) {
    reports_.clear();
    return rt::UnpackArchive(
        zip_, target_, [this](const rt::MemberReport& m) { reports_.push_back(m); }, limits);
  }
  // Every file under the test folder, as UTF-8 paths relative to it.
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      if (entry.is_regular_file() && entry.path() != zip_) {
        const std::u8string rel = fs::relative(entry.path(), dir_).generic_u8string();
        files.emplace_back(rel.begin(), rel.end());
      }
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  fs::path dir_, zip_, target_;
  std::vector<rt::MemberReport> reports_;
};

TEST_F(Unpacking, GbkAndUtf8NamesLandUnderTheirNamesAndReplaceOldFiles) {
  const std::string bank = U8(u8"填空题题库.db");
  const std::string keywords = U8(u8"关键词.txt");
  fs::create_directories(target_);
  WriteBytes(target_ / fs::path(std::u8string(u8"关键词.txt")), "old keywords");
  WriteBytes(target_ / "kept.txt", "kept");
  WriteZip(zip_, {{"填空题题库.db", "bank bytes"},  // GBK name, flag clear
                  {keywords, "new keywords", true},
                  {"pictures\\q1.gif", "GIF89a"},
                  {"empty/", ""}});
  const rt::UnpackReport report = Unpack();
  EXPECT_TRUE(report.complete());
  EXPECT_EQ(report.written, 4);
  EXPECT_EQ(report.refused + report.failed, 0);
  EXPECT_EQ(ReadBytes(target_ / fs::path(std::u8string(u8"填空题题库.db"))), "bank bytes");
  EXPECT_EQ(ReadBytes(target_ / fs::path(std::u8string(u8"关键词.txt"))), "new keywords");
  EXPECT_EQ(ReadBytes(target_ / "pictures" / "q1.gif"), "GIF89a");
  EXPECT_TRUE(fs::is_directory(target_ / "empty"));
  EXPECT_EQ(ReadBytes(target_ / "kept.txt"), "kept");
  // One report per member, in the archive's order, named as decoded.
  ASSERT_EQ(reports_.size(), 4u);
  EXPECT_EQ(reports_[0].name, bank);
  EXPECT_EQ(reports_[1].name, keywords);
  EXPECT_EQ(reports_[2].name, "pictures\\q1.gif");
  EXPECT_EQ(reports_[3].name, "empty/");
}

TEST_F(Unpacking, NothingIsWrittenOutsideTheTargetNorOverProgramCode) {
  WriteZip(zip_, {{"../escaped.txt", "x"},
                  {"..\\escaped2.txt", "x"},
                  {"sub/../../escaped3.txt", "x"},
                  {(dir_ / "absolute.txt").string(), "x"},
                  {"C:\\drive.txt", "x"},
                  {"tessaly.exe", "MZ"},
                  {"krnln.FNR", "MZ"},
                  {"ok.txt", "fine"}});
  const rt::UnpackReport report = Unpack();
  EXPECT_TRUE(report.complete()) << "refusals are no failure of the archive";
  EXPECT_EQ(report.refused, 7);
  EXPECT_EQ(report.written, 1);
  EXPECT_EQ(Files(), std::vector<std::string>{"outside/target/ok.txt"});
  ASSERT_EQ(reports_.size(), 8u);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(reports_[i].outcome, rt::MemberOutcome::Refused) << reports_[i].name;
  EXPECT_EQ(reports_[0].verdict, MemberVerdict::ParentFolder);
  EXPECT_EQ(reports_[3].verdict, MemberVerdict::Absolute);
  EXPECT_EQ(reports_[4].verdict, MemberVerdict::DriveOrColon);
  EXPECT_EQ(reports_[5].verdict, MemberVerdict::ProgramCode);
  EXPECT_EQ(reports_[7].outcome, rt::MemberOutcome::Written);
}

// The disk fills up while the new bank is unpacked into the staging folder:
// the member cut short is removed, the unpacking reports the failure, and
// throwing the staging folder away leaves the old bank as it was.
TEST_F(Unpacking, ADiskFillingUpPartWayLeavesTheOldBankWhole) {
  const fs::path program = dir_ / "program";
  fs::create_directories(program);
  WriteBytes(program / "bank.db", "old bank");
  WriteBytes(program / "keywords.txt", "old keywords");
  rt::StagedInstall install(program);
  ASSERT_TRUE(install.Prepare());
  WriteZip(zip_, {{"keywords.txt", "new keywords"}, {"bank.db", std::string(200000, 'b')}});
  size_t room = 100000;  // bytes left on the disk
  const rt::UnpackReport report = rt::UnpackArchive(
      zip_, install.Staging(), [this](const rt::MemberReport& m) { reports_.push_back(m); }, {},
      [&room](std::FILE* file, const char* bytes, size_t size) {
        const size_t fits = std::min(size, room);
        room -= fits;
        return std::fwrite(bytes, 1, fits, file) == size;
      });
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.written, 1);
  EXPECT_EQ(report.failed, 1);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[1].outcome, rt::MemberOutcome::Failed);
  EXPECT_FALSE(fs::exists(install.Staging() / "bank.db")) << "no half-written bank is left";
  install.Discard();
  EXPECT_EQ(ReadBytes(program / "bank.db"), "old bank");
  EXPECT_EQ(ReadBytes(program / "keywords.txt"), "old keywords");
  EXPECT_FALSE(fs::exists(program / "bank-update"));
}

TEST_F(Unpacking, WhatIsNoArchiveIsNotOpened) {
  WriteZip(zip_, {{"a.txt", std::string(5000, 'a')}, {"b.txt", "b"}});
  const std::string whole = ReadBytes(zip_);
  const std::vector<std::string> bodies = {
      "", "<html><body><h1>404 Not Found</h1></body></html>",
      whole.substr(0, whole.size() / 2),   // cut off: no central directory
      whole.substr(0, whole.size() - 23),  // the end record's signature is gone
  };
  for (const std::string& body : bodies) {
    WriteBytes(zip_, body);
    const rt::UnpackReport report = Unpack();
    EXPECT_FALSE(report.opened) << body.size() << " bytes";
    EXPECT_FALSE(report.complete());
    EXPECT_TRUE(reports_.empty());
  }
  fs::remove(zip_);
  EXPECT_FALSE(Unpack().opened) << "a missing file";
  EXPECT_TRUE(Files().empty());
}

TEST_F(Unpacking, DamagedMemberFailsAndLeavesNoHalfFile) {
  const std::string content(4000, 'q');
  WriteZip(zip_, {{"good.txt", "good"}, {"bad.txt", content, false, true}});
  std::string bytes = ReadBytes(zip_);
  const size_t at = bytes.find(content);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 100] = 'X';
  WriteBytes(zip_, bytes);
  const rt::UnpackReport report = Unpack();
  EXPECT_TRUE(report.opened);
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.failed, 1);
  EXPECT_EQ(Files(), std::vector<std::string>{"outside/target/good.txt"});
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(reports_[1].outcome, rt::MemberOutcome::Failed);
}

TEST_F(Unpacking, LimitsStopAnArchiveThatWouldFillTheDisk) {
  WriteZip(zip_, {{"a.txt", std::string(600, 'a')}, {"b.txt", std::string(600, 'b')}, {"c.txt", "c"}});
  rt::UnpackReport report = Unpack({1000, 10});
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.written, 2) << "a.txt and c.txt fit";
  EXPECT_EQ(report.failed, 1);
  EXPECT_FALSE(fs::exists(target_ / "b.txt"));
}

// A bank archive holds at most 64 members: one more and nothing at all is
// written, not even the target folder, and no member is reported.
TEST_F(Unpacking, AnArchiveOfMoreMembersThanTheLimitIsRefusedBeforeAnythingIsWritten) {
  std::vector<Member> members;
  for (int i = 0; i < 64; ++i) members.push_back({"m" + std::to_string(i) + ".txt", "x"});
  WriteZip(zip_, members);
  rt::UnpackReport report = Unpack();
  EXPECT_TRUE(report.complete());
  EXPECT_EQ(report.written, 64);

  fs::remove_all(target_);
  members.push_back({"m64.txt", "x"});
  WriteZip(zip_, members);
  report = Unpack();
  EXPECT_TRUE(report.opened);
  EXPECT_EQ(report.refusal, rt::ArchiveRefusal::TooManyMembers);
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.written + report.refused + report.failed, 0);
  EXPECT_TRUE(reports_.empty());
  EXPECT_FALSE(fs::exists(target_));
}

// Two members that would be one file on a student's disk — the same name in
// other letter case, in GBK and in UTF-8, or written another way — refuse
// the whole archive; the second of them is reported.
TEST_F(Unpacking, TwoMembersOfOneFileRefuseTheWholeArchive) {
  struct Case {
    std::vector<Member> members;
    std::string reported;
  };
  const std::string keywords = U8(u8"关键词.txt");
  const std::vector<Case> cases = {
      {{{"关键词.txt", "gbk"}, {"ok.txt", "x"}, {keywords, "utf-8", true}}, keywords},
      {{{"Bank.db", "a"}, {"BANK.DB", "b"}}, "BANK.DB"},
      {{{"pictures/q1.gif", "a"}, {"Pictures\\Q1.GIF", "b"}}, "Pictures\\Q1.GIF"},
      {{{"./a//b.txt", "a"}, {"a/b.txt", "b"}}, "a/b.txt"},
      {{{U8(u8"Σ.txt"), "a", true}, {"σ.txt", "b"}}, U8(u8"σ.txt")},  // GBK holds σ
  };
  for (const Case& c : cases) {
    fs::remove_all(target_);
    WriteZip(zip_, c.members);
    const rt::UnpackReport report = Unpack();
    EXPECT_EQ(report.refusal, rt::ArchiveRefusal::SameName) << c.reported;
    EXPECT_FALSE(report.complete());
    EXPECT_EQ(report.written, 0);
    EXPECT_FALSE(fs::exists(target_)) << c.reported;
    ASSERT_EQ(reports_.size(), 1u) << c.reported;
    EXPECT_EQ(reports_[0].name, c.reported);
    EXPECT_EQ(reports_[0].outcome, rt::MemberOutcome::Refused);
    EXPECT_EQ(reports_[0].verdict, MemberVerdict::SameName);
  }
}

// The target's kept files (GBK names) are refused as program code in any
// letter case or encoding, and so is a folder in their place; elsewhere in
// the target the same names are plain files.
TEST_F(Unpacking, KeptFilesOfTheTargetAreNeverReplaced) {
  static constexpr std::string_view kKept[] = {"math.ini", "版本签名.ini", "bank.zip"};
  fs::create_directories(target_);
  WriteBytes(target_ / "math.ini", "versions");
  WriteZip(zip_, {{"MATH.INI", "x"},
                  {U8(u8"版本签名.INI"), "x", true},
                  {"./Bank.zip/x.txt", "x"},
                  {"sub/math.ini", "sub"},
                  {"math.ini.txt", "other"}});
  rt::UnpackLimits limits;
  limits.keptFiles = kKept;
  const rt::UnpackReport report = Unpack(limits);
  EXPECT_TRUE(report.complete());
  EXPECT_EQ(report.refused, 3);
  EXPECT_EQ(report.written, 2);
  EXPECT_EQ(Files(), (std::vector<std::string>{"outside/target/math.ini", "outside/target/math.ini.txt",
                                               "outside/target/sub/math.ini"}));
  EXPECT_EQ(ReadBytes(target_ / "math.ini"), "versions");
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(reports_[i].verdict, MemberVerdict::ProgramCode) << reports_[i].name;
}

TEST_F(Unpacking, AFileWhereAFolderMustGoFailsThatMemberOnly) {
  WriteZip(zip_, {{"a", "file"}, {"a/b.txt", "x"}, {"c.txt", "c"}});
  const rt::UnpackReport report = Unpack();
  EXPECT_EQ(report.written, 2);
  EXPECT_EQ(report.failed, 1);
  EXPECT_EQ(ReadBytes(target_ / "a"), "file");
  EXPECT_EQ(ReadBytes(target_ / "c.txt"), "c");
}

}  // namespace
