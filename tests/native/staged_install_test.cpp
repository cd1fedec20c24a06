// Putting a new bank in place: the whole set or nothing, after a failed move
// and after the program ended at any point of the install. And the version
// rules of the update check.
#include "runtime/files/staged_install.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "update/download_limits.h"
#include "update/versions.h"

namespace {

namespace fs = std::filesystem;
using Earlier = rt::EarlierInstall;
using Install = rt::StagedInstall;

using Tree = std::map<std::string, std::string>;  // relative path -> content

class BankInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = fs::temp_directory_path() / ("tessaly-install-" + std::to_string(getpid()));
    fs::remove_all(program_);
    fs::create_directories(program_);
  }
  void TearDown() override { fs::remove_all(program_); }

  static void Write(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  // Every file under `dir`, with its content.
  static Tree Files(const fs::path& dir) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream s;
      s << in.rdbuf();
      tree[fs::relative(entry.path(), dir).generic_string()] = s.str();
    }
    return tree;
  }
  // The program folder with an old bank, and a new one staged.
  void OldBankAndNewStaged(Install& install) {
    Write(program_ / "bank.db", "old bank");
    Write(program_ / "keywords.txt", "old keywords");
    Write(program_ / "tessaly.exe", "program");
    ASSERT_TRUE(install.Prepare());
    Write(install.Staging() / "bank.db", "new bank");
    Write(install.Staging() / "keywords.txt", "new keywords");
    Write(install.Staging() / "pictures" / "q1.gif", "new picture");
  }

  const Tree kOld = {{"bank.db", "old bank"}, {"keywords.txt", "old keywords"}, {"tessaly.exe", "program"}};
  const Tree kNew = {{"bank.db", "new bank"},
                     {"keywords.txt", "new keywords"},
                     {"pictures/q1.gif", "new picture"},
                     {"tessaly.exe", "program"}};
  fs::path program_;
};

TEST_F(BankInstall, CommitReplacesTheOldFilesAndLeavesNothingBehind) {
  Install install(program_);
  OldBankAndNewStaged(install);
  EXPECT_EQ(install.Staging(), program_ / "bank-update" / "new");
  std::vector<fs::path> installed;
  ASSERT_TRUE(install.Commit(&installed));
  EXPECT_EQ(Files(program_), kNew);
  EXPECT_EQ(installed, (std::vector<fs::path>{"bank.db", "keywords.txt", "pictures/q1.gif"}));
  EXPECT_FALSE(fs::exists(program_ / "bank-update"));
}

TEST_F(BankInstall, DiscardLeavesTheOldBankAsItWas) {
  Install install(program_);
  OldBankAndNewStaged(install);
  install.Discard();
  EXPECT_EQ(Files(program_), kOld);
}

TEST_F(BankInstall, AFailedMoveIsUndoneSoTheOldBankIsBackWhole) {
  // The third move (keywords.txt set aside, after bank.db went in) fails.
  for (int failAt = 1; failAt <= 5; ++failAt) {
    SCOPED_TRACE(failAt);
    fs::remove_all(program_);
    int moves = 0;
    Install install(program_, [&](const fs::path& from, const fs::path& to) {
      if (++moves == failAt) return false;
      fs::rename(from, to);
      return true;
    });
    OldBankAndNewStaged(install);
    moves = 0;
    EXPECT_FALSE(install.Commit());
    EXPECT_EQ(Files(program_), kOld);
  }
}

TEST_F(BankInstall, AnUndoThatFailsTooKeepsEverythingForTheNextStartToComplete) {
  int moves = 0;
  Install install(program_, [&](const fs::path& from, const fs::path& to) {
    ++moves;
    if (moves == 3 || moves == 4) return false;  // the install's third move and the undo's first
    fs::rename(from, to);
    return true;
  });
  OldBankAndNewStaged(install);
  moves = 0;
  EXPECT_FALSE(install.Commit());
  EXPECT_TRUE(fs::exists(program_ / "bank-update" / "ready"));
  EXPECT_EQ(rt::FinishEarlierInstall(program_), Earlier::Finished);
  EXPECT_EQ(Files(program_), kNew);
}

// The program ends after `moves` renames of the install: every state the disk
// can be left in. The next start must find the old bank or the new one whole.
TEST_F(BankInstall, EndedAtAnyMomentTheNextStartFindsTheOldBankOrTheNew) {
  for (int movesDone = 0; movesDone <= 6; ++movesDone) {
    SCOPED_TRACE(movesDone);
    fs::remove_all(program_);
    struct Ended {};
    int moves = 0;
    Install install(program_, [&](const fs::path& from, const fs::path& to) {
      if (moves++ == movesDone) throw Ended{};
      fs::rename(from, to);
      return true;
    });
    OldBankAndNewStaged(install);
    moves = 0;
    bool ended = false;
    try {
      install.Commit();
    } catch (const Ended&) {
      ended = true;
    }
    EXPECT_EQ(rt::FinishEarlierInstall(program_), ended ? Earlier::Finished : Earlier::None);
    EXPECT_EQ(Files(program_), kNew);
  }
  // Ended while unpacking or checking, before the mark: the staging folder is
  // thrown away and the old bank was never touched.
  fs::remove_all(program_);
  Install install(program_);
  OldBankAndNewStaged(install);
  EXPECT_EQ(rt::FinishEarlierInstall(program_), Earlier::Discarded);
  EXPECT_EQ(Files(program_), kOld);
  EXPECT_EQ(rt::FinishEarlierInstall(program_), Earlier::None);
}

TEST_F(BankInstall, AStuckEarlierInstallStopsTheNextOneAndIsKept) {
  Install first(program_);
  OldBankAndNewStaged(first);
  Write(program_ / "bank-update" / "ready", "");
  Install second(program_, [](const fs::path&, const fs::path&) { return false; });
  EXPECT_FALSE(second.Prepare());
  EXPECT_EQ(Files(program_ / "bank-update" / "new").size(), 3u) << "nothing staged is lost";
  EXPECT_EQ(rt::FinishEarlierInstall(program_), Earlier::Finished);
  EXPECT_EQ(Files(program_), kNew);
}

TEST_F(BankInstall, StagedFilesThatWouldLandInTheStagingFolderAreNotInstalled) {
  Install install(program_);
  OldBankAndNewStaged(install);
  Write(install.Staging() / "Bank-Update" / "ready", "");
  Write(install.Staging() / "bank-update" / "new" / "bank.db", "sneaked");
  ASSERT_TRUE(install.Commit());
  EXPECT_EQ(Files(program_), kNew);
}

// As the teacher's tools use it: a staging folder of their own and an order
// of their own, kept when a move fails and is undone, too.
TEST_F(BankInstall, AChosenStagingFolderPutsTheFilesInPlaceInTheOrderGiven) {
  const Tree old = {{"bank.zip", "old archive"}, {"math.ini", "old version"}};
  const Tree fresh = {{"bank.zip", "new archive"}, {"math.ini", "new version"}, {"signed.ini", "new signature"}};
  const fs::path staging = program_ / "tool-7.staging";
  for (int failAt = 0; failAt <= 5; ++failAt) {
    SCOPED_TRACE(failAt);
    fs::remove_all(program_);
    for (const auto& [name, content] : old) Write(program_ / name, content);
    int moves = 0;
    std::vector<std::string> placed;
    Install install(program_,
                    [&](const fs::path& from, const fs::path& to) {
                      if (++moves == failAt) return false;
                      if (to.parent_path() == program_) placed.push_back(to.filename().string());
                      fs::rename(from, to);
                      return true;
                    },
                    {staging, {"math.ini", "bank.zip"}});
    ASSERT_TRUE(install.Prepare());
    EXPECT_EQ(install.Staging(), staging / "new");
    for (const auto& [name, content] : fresh) Write(install.Staging() / name, content);
    const bool committed = install.Commit();
    EXPECT_EQ(committed, failAt == 0);
    EXPECT_EQ(Files(program_), committed ? fresh : old);
    EXPECT_FALSE(fs::exists(staging));
    // Those named first in their order, the others after them by name.
    if (committed) EXPECT_EQ(placed, (std::vector<std::string>{"math.ini", "bank.zip", "signed.ini"}));
  }
}

TEST(Versions, AnyDifferenceOffersTheUpgradeNoOrderIsImplied) {
  EXPECT_FALSE(VersionsDiffer("2024.09", "2024.09"));
  EXPECT_FALSE(VersionsDiffer("", ""));
  EXPECT_TRUE(VersionsDiffer("3", "2")) << "an older server version";
  EXPECT_TRUE(VersionsDiffer("1.0", "1.00"));
  EXPECT_TRUE(VersionsDiffer("", "1"));
  EXPECT_TRUE(VersionsDiffer("1", ""));
  EXPECT_TRUE(VersionsDiffer("abc", "ABC"));
}

TEST(Versions, ServerTextShowsTheWholeFileWithZeroBytesAsSpaces) {
  const std::string file = std::string("[版本信息]\r\n题库版本=2\r\n[公告]\r\n明天停") + '\0' + "电\r\n";
  const rt::Text caption = ServerTextCaption(file);
  EXPECT_EQ(caption.size(), file.size());
  EXPECT_EQ(caption.view(), std::string_view("[版本信息]\r\n题库版本=2\r\n[公告]\r\n明天停 电\r\n"));
  EXPECT_TRUE(ServerTextCaption("").empty());
}

TEST(Versions, AnArchiveCutShortIsToldByTheSizeTheServerNames) {
  EXPECT_TRUE(SizeMatches("1234", 1234));
  EXPECT_FALSE(SizeMatches("1234", 617)) << "half of it";
  EXPECT_FALSE(SizeMatches("0", 1));
  EXPECT_TRUE(SizeMatches("", 617)) << "an older server names no size";
  EXPECT_TRUE(SizeMatches("12x", 5)) << "no plain number names no size";
  EXPECT_TRUE(SizeMatches("99999999999999999999", 5)) << "nor does one past any file";
}

TEST(Versions, AnArchiveMayArriveAtFourKilobytesASecondAndNoLongerThanItsNamedSize) {
  const ArchiveTransferLimits bank = ArchiveDownloadLimits("12000000", kBankArchiveLimit);
  EXPECT_EQ(bank.maxBodyBytes, 12000000u);
  EXPECT_LT(bank.idleSeconds, bank.overallSeconds);
  EXPECT_GE(bank.overallSeconds, 12000000 / 4096 + bank.idleSeconds) << "the whole of it at 4 kB/s, then the idle time";
  EXPECT_LE(bank.overallSeconds, 12000000 / 4096 + bank.idleSeconds + 1);
  for (const char* none : {"", "12x", "0", "012"}) {
    EXPECT_EQ(ArchiveDownloadLimits(none, kBankArchiveLimit).maxBodyBytes, kBankArchiveLimit) << none;
  }
  EXPECT_EQ(ArchiveDownloadLimits("9999999999999", kProgramArchiveLimit).maxBodyBytes, kProgramArchiveLimit)
      << "a named size never raises the kind's limit";
}

TEST(Versions, OnlyArchivesAreTakenAsTheMainProgram) {
  for (const std::string& archive :
       {std::string("Rar!\x1A\x07\x00rest", 10), std::string("Rar!\x1A\x07\x01\x00", 8), std::string("PK\x03\x04rest"),
        std::string("PK\x05\x06"), std::string("7z\xBC\xAF\x27\x1Crest"), std::string("MZ\x90\x00")}) {
    EXPECT_TRUE(LooksLikeProgramArchive(archive)) << archive;
  }
  for (const std::string& other : {std::string("<html>\r\n<head><title>404 Not Found</title>"), std::string("Rar!"),
                                   std::string("PK"), std::string("")}) {
    EXPECT_FALSE(LooksLikeProgramArchive(other)) << other;
  }
}

}  // namespace
