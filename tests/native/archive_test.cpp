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

#include "runtime/archive_names.h"
#include "runtime/archives.h"
#include "runtime/encoding.h"
#include "runtime/staged_install.h"
#include "runtime/unpack.h"

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
      {"COM\xC2\xB9.txt", MemberVerdict::BadName},  // COM¹
      {"LPT\xC2\xB2", MemberVerdict::BadName},       // LPT²
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
                                      m.stored ? 0 : Z_DEFLATED, m.stored ? 0 : Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                      8, Z_DEFAULT_STRATEGY, nullptr, 0, 20, m.utf8Flag ? rt::kZipUtf8NameFlag : 0, 0),
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
    return rt::UnpackArchive(zip_, target_, [this](const rt::MemberReport& m) { reports_.push_back(m); }, limits);
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
      "",
      "<html><body><h1>404 Not Found</h1></body></html>",
      whole.substr(0, whole.size() / 2),  // cut off: no central directory
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

  fs::remove_all(target_);
  report = Unpack({1u << 20, 2});
  EXPECT_FALSE(report.complete());
  EXPECT_EQ(report.written, 2);
  EXPECT_EQ(reports_.size(), 3u) << "the member past the limit is reported, then unpacking stops";
  EXPECT_FALSE(fs::exists(target_ / "c.txt"));
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
