// The bank tool and the program's drawing boards: pictures larger than their
// board reported and fitted; a bank exported and built again; a new bank
// checked against the one it replaces for questions that changed number.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/native/banktool_test_support.h"
#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/boards.h"
#include "tools/teacher_kit/banktool/banktool_cli.h"
#include "tools/teacher_kit/banktool/images.h"

// Real JPEG files for the tests, from the library the tool itself writes them with.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

using namespace banktool;
using namespace banktool_test;

// A grey-and-colour JPEG file of this size.
std::string RealJpeg(int width, int height) {
  std::string pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels += {char(x), char(y), char(x + y)};
  }
  std::string jpeg;
  stbi_write_jpg_to_func(
      [](void* out, void* data, int size) { static_cast<std::string*>(out)->append(static_cast<char*>(data), size); },
      &jpeg, width, height, 3, pixels.data(), 90);
  return jpeg;
}

PictureSize SizeOf(std::string_view bytes) {
  std::string why;
  return ReadPictureSize(bytes, why).value_or(PictureSize{});
}

class Pictures : public ::testing::Test {
 protected:
  // Writes the manifest's rows (after the header) and builds into `out`.
  Outcome Build(const std::string& rows, const fs::path& out, std::vector<std::string> extra = {}) {
    WriteAll(dir / "manifest.tsv", "题目\t参考答案\t解答过程\t单元\t正答\t错答\n" + rows);
    std::vector<std::string> args = {
        "build", "--pictures",   PathToUtf8(dir / "pics"), "--manifest", PathToUtf8(dir / "manifest.tsv"),
        "--out", PathToUtf8(out)};
    args.insert(args.end(), extra.begin(), extra.end());
    return Tool(args);
  }
  ScratchFolder dir;
};

TEST(PictureBoards, AreTheProgramsBoardsAndTheHelpNamesTheirSizes) {
  const auto& boards = PictureBoards();
  EXPECT_EQ(boards[0].size, (PictureSize{785, 424}));
  EXPECT_EQ(boards[1].size, (PictureSize{280, 64}));
  EXPECT_EQ(boards[2].size, (PictureSize{785, 523}));
  for (const toolkit::Language language : {toolkit::Language::kChinese, toolkit::Language::kEnglish}) {
    toolkit::SetLanguage(language);
    const std::string help = HelpText();
    for (const auto& board : boards) {
      EXPECT_NE(help.find(Say(board.name) + " "), std::string::npos) << Say(board.name);
      EXPECT_NE(help.find(FormatSize(board.size)), std::string::npos) << Say(board.name);
    }
  }
  toolkit::SetLanguage(toolkit::Language::kEnglish);
}

TEST(PictureBoards, AFittedSizeFitsAndKeepsTheProportions) {
  const PictureSize board{785, 424};
  for (const PictureSize size : {PictureSize{786, 10},
                                 {10, 425},
                                 {4000, 3000},
                                 {3000, 4000},
                                 {100000, 1},
                                 {1, 100000},
                                 {1570, 848},
                                 {785, 424},
                                 {20, 20}}) {
    const PictureSize fitted = FittedSize(size, board);
    EXPECT_TRUE(FitsBoard(fitted, board)) << FormatSize(size);
    EXPECT_GE(fitted.width, 1);
    EXPECT_GE(fitted.height, 1);
    if (FitsBoard(size, board)) {
      EXPECT_EQ(fitted, size);
      continue;
    }
    // One side fills the board; the other is the proportional one, rounded.
    EXPECT_TRUE(fitted.width == board.width || fitted.height == board.height) << FormatSize(fitted);
    const double scale = std::min(double(board.width) / size.width, double(board.height) / size.height);
    EXPECT_LE(std::abs(fitted.width - std::max(1.0, size.width * scale)), 1.0) << FormatSize(size);
    EXPECT_LE(std::abs(fitted.height - std::max(1.0, size.height * scale)), 1.0) << FormatSize(size);
  }
}

TEST_F(Pictures, OversizedPicturesAreReportedAndWithFitScaledDownInTheBankOnly) {
  WriteAll(dir / "pics/big.png", Png(1, 1000, 200));  // question board 785x424: too wide
  WriteAll(dir / "pics/wide.png", Png(2, 300, 50));   // answer board 280x64: too wide
  WriteAll(dir / "pics/tall.png", Png(3, 100, 600));  // solution board 785x523: too tall
  WriteAll(dir / "pics/q2.png", Png(4, 785, 424));    // exactly the board
  WriteAll(dir / "pics/small.png", Png(5));
  // A photograph whose metadata puts the frame marker (and so its size) 128 KB into the file.
  std::string photo = RealJpeg(1200, 900);
  const std::string metadata = std::string("\xFF\xE1\xFF\xFF", 4) + std::string(0xFFFD, 'm');
  photo.insert(2, metadata + metadata);
  WriteAll(dir / "pics/photo.jpg", photo);
  const std::string rows =
      "big.png\twide.png\ttall.png\t集合\t1\t2\n"
      "q2.png\tsmall.png\tphoto.jpg\t函数\t0\t0\n";
  const auto before = Snapshot(dir / "pics");

  const Outcome plain = Build(rows, dir / "plain");
  ASSERT_EQ(plain.code, 0) << plain.err;
  EXPECT_EQ(plain.err,
            "warning: manifest.tsv: row 2, column 题目: \"big.png\" is 1000x200 pixels, larger than the question "
            "board (785x424): the program shows only its top-left 785x424 (--fit scales it down)\n"
            "warning: manifest.tsv: row 2, column 参考答案: \"wide.png\" is 300x50 pixels, larger than the "
            "reference-answer board (280x64): the program shows only its top-left 280x64 (--fit scales it down)\n"
            "warning: manifest.tsv: row 2, column 解答过程: \"tall.png\" is 100x600 pixels, larger than the solution "
            "board (785x523): the program shows only its top-left 785x523 (--fit scales it down)\n"
            "warning: manifest.tsv: row 3, column 解答过程: \"photo.jpg\" is 1200x900 pixels, larger than the solution "
            "board (785x523): the program shows only its top-left 785x523 (--fit scales it down)\n");
  // Without --fit the bank holds the files as they are; check reports the same pictures.
  EXPECT_EQ(BankQuestions(dir / "plain/填空题题库.db")[0].pictures[0], Png(1, 1000, 200));
  const Outcome check = Tool({"check", "--bank", PathToUtf8(dir / "plain/填空题题库.db")});
  EXPECT_EQ(check.code, 0) << check.err;
  EXPECT_NE(check.out.find("题目 PNG " + std::to_string(Png(1, 1000, 200).size()) + " bytes 1000x200"),
            std::string::npos)
      << check.out;
  EXPECT_NE(check.err.find("record 1: warning: 参考答案 is 300x50 pixels, larger than the reference-answer board"),
            std::string::npos)
      << check.err;
  EXPECT_NE(check.out.find("解答过程 JPEG " + std::to_string(photo.size()) + " bytes 1200x900"), std::string::npos)
      << check.out;
  EXPECT_NE(check.out.find("no problems found; 4 warnings\n"), std::string::npos) << check.out;

  const Outcome fitted = Build(rows, dir / "fitted", {"--fit"});
  ASSERT_EQ(fitted.code, 0) << fitted.err;
  EXPECT_EQ(fitted.err, "");
  EXPECT_NE(fitted.out.find("row 2, column 题目: \"big.png\" is 1000x200 pixels: scaled down to 785x157 for the "
                            "question board (785x424), stored as PNG"),
            std::string::npos)
      << fitted.out;
  const std::vector<BankQuestion> questions = BankQuestions(dir / "fitted/填空题题库.db");
  ASSERT_EQ(questions.size(), 2u);
  const std::vector<PictureSize> originals = {{1000, 200}, {300, 50}, {100, 600}};
  for (size_t i = 0; i < 3; ++i) {
    const std::string& bytes = questions[0].pictures[i];
    EXPECT_EQ(SniffPicture(bytes.substr(0, kSniffBytes), bytes.size()), PictureKind::kPng);
    const PictureSize size = SizeOf(bytes);
    EXPECT_TRUE(FitsBoard(size, PictureBoards()[i].size)) << FormatSize(size);
    EXPECT_NEAR(double(size.width) / size.height, double(originals[i].width) / originals[i].height,
                double(originals[i].width) / originals[i].height / std::min(size.width, size.height))
        << FormatSize(size);
  }
  // A JPEG stays a JPEG; what fits already goes in untouched; the teacher's files stay as they were.
  const std::string& scaledPhoto = questions[1].pictures[2];
  EXPECT_EQ(SniffPicture(scaledPhoto.substr(0, kSniffBytes), scaledPhoto.size()), PictureKind::kJpeg);
  EXPECT_EQ(SizeOf(scaledPhoto), (PictureSize{697, 523}));
  EXPECT_NE(fitted.out.find("\"photo.jpg\" is 1200x900 pixels: scaled down to 697x523 for the solution board "
                            "(785x523), stored as JPEG"),
            std::string::npos)
      << fitted.out;
  EXPECT_EQ(questions[1].pictures[0], Png(4, 785, 424));
  EXPECT_EQ(questions[1].pictures[1], Png(5));
  EXPECT_EQ(Snapshot(dir / "pics"), before);
  EXPECT_EQ(Tool({"check", "--bank", PathToUtf8(dir / "fitted/填空题题库.db")}).err, "");
}

TEST_F(Pictures, APictureThatCannotBeDecodedIsReportedNotFitted) {
  // A PNG header that claims 2000x2000 pixels, followed by no picture data.
  std::string broken = Png(1, 2000, 2000).substr(0, 33);
  broken += std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
  WriteAll(dir / "pics/broken.png", broken);
  WriteAll(dir / "pics/a.png", Png(2));
  WriteAll(dir / "pics/odd.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + std::string(40, '\xFF'));
  const std::string rows = "broken.png\ta.png\todd.png\t集合\t0\t0\n";

  const Outcome plain = Build(rows, dir / "plain");
  EXPECT_EQ(plain.code, 0) << plain.err;
  EXPECT_NE(plain.err.find("column 题目: \"broken.png\" is 2000x2000 pixels, larger than the question board"),
            std::string::npos)
      << plain.err;
  EXPECT_NE(plain.err.find("column 解答过程: \"odd.png\": its size cannot be read, so it is not checked against the "
                           "solution board (785x523): the picture cannot be decoded ("),
            std::string::npos)
      << plain.err;

  const Outcome fitted = Build(rows, dir / "fitted", {"--fit"});
  EXPECT_EQ(fitted.code, 1);
  EXPECT_NE(fitted.err.find("manifest.tsv: row 2, column 题目: \"broken.png\" is 2000x2000 pixels, larger than the "
                            "question board (785x424), and cannot be scaled down: the picture cannot be decoded ("),
            std::string::npos)
      << fitted.err;
  EXPECT_FALSE(fs::exists(dir / "fitted"));
}

TEST_F(Pictures, ExportedBankBuildsIntoTheSameBank) {
  WriteAll(dir / "pics/q1.png", Png(1));
  WriteAll(dir / "pics/a1.gif", Gif());
  WriteAll(dir / "pics/s1.bmp", Bmp());
  WriteAll(dir / "pics/sub/q2.jpg", Jpeg());
  WriteAll(dir / "pics/q3.png", Png(3, 900, 30));
  WriteAll(dir / "keywords.txt", "集合\n函数\n单调性\n");
  const std::string rows =
      "q1.png\ta1.gif\ts1.bmp\t集合, \"子集\"\t12\t3\n"
      "sub/q2.jpg\tq1.png\ts1.bmp\t函数 单调性\t0\t2147483647\n"
      "q3.png\ta1.gif\tq1.png\t集合\t5\t0\n";
  ASSERT_EQ(Build(rows, dir / "first", {"--keywords", PathToUtf8(dir / "keywords.txt"), "--fit"}).code, 0);

  const Outcome exported = Tool({"export", "--bank", PathToUtf8(dir / "first"), "--out", PathToUtf8(dir / "exp")});
  ASSERT_EQ(exported.code, 0) << exported.err;
  const fs::path e = dir / "exp";
  // The set takes its keyword list along.
  const Outcome again = Tool({"build", "--input", PathToUtf8(e), "--out", PathToUtf8(dir / "second")});
  ASSERT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(again.out, "banktool build: 3 questions and 3 keywords written to " + PathToUtf8(dir / "second") +
                           ": 填空题题库.db, 关键词.txt, bank.zip\n");

  const std::vector<BankQuestion> first = BankQuestions(dir / "first/填空题题库.db");
  const std::vector<BankQuestion> second = BankQuestions(dir / "second/填空题题库.db");
  ASSERT_EQ(first.size(), 3u);
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(second[i].record, first[i].record);
    EXPECT_EQ(second[i].unit, first[i].unit);
    EXPECT_EQ(second[i].correct, first[i].correct);
    EXPECT_EQ(second[i].wrong, first[i].wrong);
    for (size_t p = 0; p < 3; ++p) EXPECT_TRUE(second[i].pictures[p] == first[i].pictures[p]) << i << " " << p;
  }
  EXPECT_EQ(ReadAll(dir / "second/关键词.txt"), ReadAll(dir / "first/关键词.txt"));
  // Each picture keeps the extension of its kind.
  EXPECT_TRUE(fs::exists(e / "图片/q0002.jpg"));
  EXPECT_TRUE(fs::exists(e / "图片/a0001.gif"));
  EXPECT_TRUE(fs::exists(e / "图片/q0003.png"));

  // A folder with anything in it is refused and left as it was; so is a bank that is not there.
  const auto kept = Snapshot(e);
  const Outcome refused = Tool({"export", "--bank", PathToUtf8(dir / "first/填空题题库.db"), "--out", PathToUtf8(e)});
  EXPECT_EQ(refused.code, 1);
  EXPECT_NE(refused.err.find("is not empty"), std::string::npos) << refused.err;
  EXPECT_EQ(Snapshot(e), kept);
  const Outcome missing = Tool({"export", "--bank", PathToUtf8(dir / "none.db"), "--out", PathToUtf8(dir / "x")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("no such file"), std::string::npos) << missing.err;
  EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST_F(Pictures, CheckAgainstTheOldBankListsRenumberedNewAndRemovedQuestions) {
  for (int i = 1; i <= 5; ++i) WriteAll(dir / ("pics/q" + std::to_string(i) + ".png"), Png(i));
  WriteAll(dir / "pics/a.png", Png(9));
  const auto row = [](int i, const std::string& unit = "集合") {
    std::string text = "q";
    text.append(std::to_string(i)).append(".png\ta.png\ta.png\t").append(unit).append("\t0\t0\n");
    return text;
  };
  ASSERT_EQ(Build(row(1) + row(2) + row(3) + row(4), dir / "old").code, 0);
  // A row inserted after the first, the last removed, and record 1's unit changed.
  ASSERT_EQ(Build(row(1, "函数") + row(5) + row(2) + row(3), dir / "new").code, 0);
  const std::string oldBank = PathToUtf8(dir / "old/填空题题库.db");

  const Outcome run = Tool({"check", "--bank", PathToUtf8(dir / "new/填空题题库.db"), "--against", oldBank});
  EXPECT_EQ(run.code, 0) << run.err;
  const std::string listing = run.out.substr(run.out.find("  record 2 holds"));
  EXPECT_EQ(listing,
            "  record 2 holds a new question\n"
            "  records 3-4 now hold the questions that were records 2-3 in " +
                oldBank +
                "\n"
                "  the question of " +
                oldBank +
                "'s record 4 is no longer in the bank\n"
                "against " +
                oldBank +
                ": 3 of the old bank's 4 record numbers now hold another question: a "
                "student's paper made with the old bank shows other questions under them; 1 new question, "
                "1 removed\n" +
                PathToUtf8(dir / "new/填空题题库.db") + ": no problems found\n");

  // A bank against itself, and one with a question added at the end: nothing renumbered.
  const Outcome same = Tool({"check", "--bank", oldBank, "--against", PathToUtf8(dir / "old/填空题题库.db")});
  EXPECT_NE(same.out.find("every record of the old bank that is still there holds the same question; 0 new "
                          "questions, 0 removed"),
            std::string::npos)
      << same.out;
  ASSERT_EQ(Build(row(1) + row(2) + row(3) + row(4) + row(5), dir / "longer").code, 0);
  const Outcome longer = Tool({"check", "--bank", PathToUtf8(dir / "longer/填空题题库.db"), "--against", oldBank});
  EXPECT_NE(longer.out.find("  record 5 holds a new question\nagainst " + oldBank +
                            ": every record of the old bank that is still there holds the same question; 1 new "
                            "question, 0 removed\n"),
            std::string::npos)
      << longer.out;
  EXPECT_EQ(Tool({"check", "--bank", oldBank, "--against", PathToUtf8(dir / "none.db")}).code, 1);
}

}  // namespace
