// The bank tool's smaller parts: telling pictures apart, what math.ini
// takes, the keyword file, and replacing outputs all together.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/version_ini.h"
#include "tools/teacher_kit/banktool/keyword_list.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace {

using namespace banktool;
using namespace banktool_test;

PictureKind Sniff(const std::string& file) {
  return SniffPicture(std::string_view(file).substr(0, kSniffBytes), file.size());
}

// A BMP with one header field changed.
std::string BmpWith(size_t offset, uint32_t value, int bytes) {
  std::string bmp = Bmp();
  for (int i = 0; i < bytes; ++i) bmp[offset + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
  return bmp;
}

TEST(SniffPicture, KnowsTheFourKinds) {
  EXPECT_EQ(Sniff(Gif()), PictureKind::kGif);
  EXPECT_EQ(Sniff("GIF87a" + Gif().substr(6)), PictureKind::kGif);
  EXPECT_EQ(Sniff(Png(1)), PictureKind::kPng);
  EXPECT_EQ(Sniff(Jpeg()), PictureKind::kJpeg);
  EXPECT_EQ(Sniff(Bmp()), PictureKind::kBmp);
  // The OS/2 header of 12 bytes with 16-bit fields.
  std::string core = "BM";
  PutLittleEndian(core, 30, 4);
  PutLittleEndian(core, 0, 4);
  PutLittleEndian(core, 26, 4);
  PutLittleEndian(core, 12, 4);
  PutLittleEndian(core, 1, 2);
  PutLittleEndian(core, 1, 2);
  PutLittleEndian(core, 1, 2);
  PutLittleEndian(core, 24, 2);
  core += std::string(4, '\x7F');
  EXPECT_EQ(Sniff(core), PictureKind::kBmp);
  // A top-down BMP has a negative height.
  EXPECT_EQ(Sniff(BmpWith(22, 0xFFFFFFFF, 4)), PictureKind::kBmp);
}

TEST(SniffPicture, RefusesLookAlikesAndDamagedHeaders) {
  EXPECT_EQ(Sniff(""), PictureKind::kNone);
  EXPECT_EQ(Sniff("GIF88a" + Gif().substr(6)), PictureKind::kNone);
  EXPECT_EQ(Sniff("GIF89a"), PictureKind::kNone);                                    // signature only
  EXPECT_EQ(Sniff(Png(1).substr(0, 8) + std::string(40, 'x')), PictureKind::kNone);  // no IHDR
  EXPECT_EQ(Sniff("\xFF\xD8"), PictureKind::kNone);
  EXPECT_EQ(Sniff("BM is how this note begins, not a bitmap"), PictureKind::kNone);
  EXPECT_EQ(Sniff(BmpWith(14, 41, 4)), PictureKind::kNone);  // unknown header size
  EXPECT_EQ(Sniff(BmpWith(26, 2, 2)), PictureKind::kNone);   // two planes
  EXPECT_EQ(Sniff(BmpWith(28, 7, 2)), PictureKind::kNone);   // 7 bits per pixel
  EXPECT_EQ(Sniff(BmpWith(18, 0, 4)), PictureKind::kNone);   // no width
  EXPECT_EQ(Sniff(BmpWith(22, 0, 4)), PictureKind::kNone);   // no height
  EXPECT_EQ(Sniff(BmpWith(10, 58, 4)), PictureKind::kNone);  // pixels past the end
  EXPECT_EQ(Sniff(BmpWith(10, 20, 4)), PictureKind::kNone);  // pixels inside the header
  EXPECT_EQ(Sniff(Bmp().substr(0, 29)), PictureKind::kNone);
  EXPECT_EQ(Sniff("<html><body>not a picture</body></html>"), PictureKind::kNone);
}

TEST(MathIni, ValuesAndFilesThatCannotBeWritten) {
  EXPECT_EQ(CheckIniValue("2024.09"), "");
  EXPECT_EQ(CheckIniValue("第二版"), "");
  EXPECT_EQ(CheckIniValue(""), "is empty");
  EXPECT_NE(CheckIniValue("1\r\n[x]"), "");
  EXPECT_NE(CheckIniValue(" 1.0"), "");
  EXPECT_EQ(CheckIniValue("v😀"), "\"v😀\" holds \"😀\" (U+1F600), which GBK cannot encode");
  EXPECT_EQ(CheckIniFile("[" + Gbk("版本信息") + "]\r\n"), "");
  EXPECT_NE(CheckIniFile("\xEF\xBB\xBF[版本信息]\r\n"), "");
  EXPECT_NE(CheckIniFile("\xFF\xFE["), "");
  EXPECT_NE(CheckIniFile("[x]\r\na=\xBC"), "");  // a lead byte without its trail byte
}

TEST(Keywords, TheListIsTrimmedWithBlankLinesAndRepeatsLeftOut) {
  const KeywordList list = ReadKeywordList("\xEF\xBB\xBF集合\r\n\r\n  函数 \r\n   \n集合\n三角函数");
  EXPECT_EQ(list.keywords, (std::vector<std::string>{"集合", "函数", "三角函数"}));
  EXPECT_EQ(list.lines, (std::vector<int>{1, 3, 6}));
  EXPECT_TRUE(list.problems.empty());
  EXPECT_EQ(list.notes, (std::vector<std::string>{"line 5 repeats \"集合\" of line 1; it is listed once"}));
}

TEST(Keywords, KeywordsGbkCannotHoldOrNoKeywordsAtAllAreProblems) {
  const KeywordList list = ReadKeywordList("集合\n数列😀\n\xBC\xAF\n");
  ASSERT_EQ(list.problems.size(), 2u);
  EXPECT_EQ(FormatProblem("k.txt", list.problems[0], "line"),
            "k.txt: line 2: \"数列😀\" holds \"😀\" (U+1F600), which GBK cannot encode");
  EXPECT_EQ(list.problems[1].line, 3);
  EXPECT_EQ(ReadKeywordList("\r\n  \r\n").problems.size(), 1u);
}

TEST(Keywords, FileIsGbkWithCrLfAfterEveryLine) {
  EXPECT_EQ(KeywordsFromUnits({"集合", "函数", "集合", "数列"}), (std::vector<std::string>{"集合", "函数", "数列"}));
  EXPECT_EQ(KeywordFileBytes({"集合", "A"}), "\xBC\xAF\xBA\xCF\r\nA\r\n");
  EXPECT_EQ(KeywordFileBytes({}), "");
}

TEST(StagedOutputs, ReplacesEveryTargetOnCommit) {
  ScratchFolder folder;
  WriteAll(folder / "a", "old a");
  StagedOutputs staged;
  WriteAll(staged.Stage(folder / "a"), "new a");
  WriteAll(staged.Stage(folder / "b"), "new b");
  std::string error;
  ASSERT_TRUE(staged.Commit(error)) << error;
  EXPECT_EQ(Snapshot(folder.path()), (std::map<std::string, std::string>{{"a", "new a"}, {"b", "new b"}}));
}

TEST(StagedOutputs, AFailedMovePutsBackWhatWasThere) {
  // Moves of a commit: a aside, a in place, b in place, c aside, c in place.
  for (int failing = 1; failing <= 5; ++failing) {
    ScratchFolder folder;
    WriteAll(folder / "a", "old a");
    WriteAll(folder / "c", "old c");
    const auto before = Snapshot(folder.path());
    int moves = 0;
    {
      StagedOutputs staged([&](const fs::path& from, const fs::path& to, std::string& error) {
        if (++moves == failing) {
          error = "disk full";
          return false;
        }
        return MoveReplacing(from, to, error);
      });
      for (const char* name : {"a", "b", "c"}) WriteAll(staged.Stage(folder / name), std::string("new ") + name);
      std::string error;
      EXPECT_FALSE(staged.Commit(error));
      EXPECT_NE(error.find("disk full"), std::string::npos) << failing;
    }
    EXPECT_EQ(Snapshot(folder.path()), before) << "move " << failing << " failed";
  }
}

TEST(StagedOutputs, AnEarlierFileThatCannotGoBackIsKeptAndNamed) {
  ScratchFolder folder;
  WriteAll(folder / "a", "old a");
  int moves = 0;
  std::string error;
  {
    // a aside, then a in place fails, and so does putting the old a back.
    StagedOutputs staged([&](const fs::path& from, const fs::path& to, std::string& why) {
      if (++moves >= 2) {
        why = "disk gone";
        return false;
      }
      return MoveReplacing(from, to, why);
    });
    WriteAll(staged.Stage(folder / "a"), "new a");
    EXPECT_FALSE(staged.Commit(error));
  }
  EXPECT_NE(error.find("could not be put back"), std::string::npos) << error;
  std::set<std::string> kept;
  for (const auto& [name, content] : Snapshot(folder.path())) {
    if (content == "old a") kept.insert(name);
  }
  ASSERT_EQ(kept.size(), 1u) << "the earlier file is gone";
  EXPECT_NE(error.find(PathToUtf8(fs::path(*kept.begin()).begin()->filename())), std::string::npos) << error;
}

TEST(StagedOutputs, TemporariesAreRemovedWhenNotCommitted) {
  ScratchFolder folder;
  WriteAll(folder / "a", "old a");
  {
    StagedOutputs staged;
    WriteAll(staged.Stage(folder / "a"), "new a");
    WriteAll(staged.Stage(folder / "b"), "new b");
  }
  EXPECT_EQ(Snapshot(folder.path()), (std::map<std::string, std::string>{{"a", "old a"}}));
}

}  // namespace
