// Practising: the first paper at start, composing, moving through the paper,
// the reference answer, and banks that are empty, hold fields of the wrong kind
// or hold the bank tool's own table of sources.
#include <map>
#include <set>

#include "program/control_ids.h"
#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

using namespace program;

namespace e2e {
namespace {

// Seeds 1..5; the units overlap so that keywords select known sets.
const std::vector<TestQuestion> kQuestions = {
    {L"集合：交集与并集", 30, 10, 1},  // 0.75
    {L"函数：单调性", 0, 12, 2},       // 0
    {L"三角函数：诱导公式", 5, 5, 3},  // 0.5
    {L"数列；不等式", 0, 0, 4},        // nobody has answered yet
    {L"概率：古典概型", 9, 0, 5},      // 1
};

const std::wstring kKeywords = L"集合\r\n函数\r\n三角函数\r\n数列\r\n不等式\r\n概率\r\n";

class PracticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterUrlRecorder();
    const std::wstring command = L"C:\\nowhere\\MathType.exe";
    SetMathTypeCommand(&command);
    folder_.WriteFile(L"关键词.txt", Gbk(kKeywords));
  }
  void TearDown() override { SetMathTypeCommand(nullptr); }

  void StartWith(const std::vector<TestQuestion>& questions) {
    WriteBank(folder_.path() + L"\\填空题题库.db", questions);
    Start();
  }
  void Start() {
    program_ = std::make_unique<RunningProgram>(folder_);
    ASSERT_TRUE(program_->started());
  }
  std::wstring status() const { return program_->text(状态栏); }
  driver::PictureInfo board(uint32_t id) const { return driver::Picture(program_->control(id)); }
  // The seed of the question on show, from the question board's picture.
  int OnShow() const {
    const driver::PictureInfo info = board(题目画板);
    for (int seed = 1; seed <= 9; ++seed) {
      if (info.crc == Crc32(QuestionPicture(seed)) && info.length == QuestionPicture(seed).size()) return seed;
    }
    return 0;
  }
  static bool Shows(const driver::PictureInfo& info, const std::string& bytes) {
    return info.length == bytes.size() && info.crc == Crc32(bytes);
  }
  // Composes from these candidates (indexes of the keyword file's lines), on
  // the 组题 page as a student would, then returns to the answer page.
  void Compose(const std::vector<int>& candidateIndexes) {
    driver::SwitchPage(program_->control(选择夹1), 1);
    ASSERT_TRUE(driver::Click(program_->control(全取消)));
    // Move from the highest index down so the indexes stay valid.
    for (auto it = candidateIndexes.rbegin(); it != candidateIndexes.rend(); ++it) {
      driver::ListDoubleClick(program_->control(备选关键词列表框), *it);
    }
    ASSERT_TRUE(driver::Click(program_->control(组题)));
    driver::SwitchPage(program_->control(选择夹1), 0);
  }
  // Composes from every keyword, as start-up does. (Start-up's own status
  // texts are soon replaced by those of the update check.)
  void ComposeAll() {
    driver::SwitchPage(program_->control(选择夹1), 1);
    ASSERT_TRUE(driver::Click(program_->control(全选)));
    ASSERT_TRUE(driver::Click(program_->control(组题)));
    driver::SwitchPage(program_->control(选择夹1), 0);
  }

  ProgramFolder folder_;
  std::unique_ptr<RunningProgram> program_;
};

// What the boards show on screen: each picture at its natural size from the
// board's corner, whether decoded ahead (a board on show) or when its page is
// first chosen (the solution board).
TEST_F(PracticeTest, BoardsPaintTheirPicturesOnScreen) {
  StartWith(kQuestions);
  const auto painted = [&](uint32_t board, COLORREF colour, int pixels) {
    return driver::WaitUntil([&] { return driver::PixelsOfColour(program_->control(board), colour) == pixels; }, 5000);
  };
  int seed = OnShow();
  ASSERT_GE(seed, 1);
  EXPECT_TRUE(painted(题目画板, RGB(200, seed * 7, 40), (60 + seed) * 30));
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  seed = OnShow();
  EXPECT_TRUE(painted(题目画板, RGB(200, seed * 7, 40), (60 + seed) * 30)) << "the next question's picture";
  ASSERT_TRUE(driver::Click(program_->control(参考答案)));
  EXPECT_TRUE(painted(参考答案画板, RGB(40, 180, seed * 5), (40 + seed) * 20));
  driver::SwitchPage(program_->control(选择夹1), 2);
  EXPECT_TRUE(painted(解答过程画板, RGB(seed * 3, 60, 200), (50 + seed) * 40));
  EXPECT_EQ(program_->Close(), 0u);
}

TEST_F(PracticeTest, StartShowsAPaperOverEveryKeywordWithNothingSelected) {
  StartWith(kQuestions);
  EXPECT_EQ(status(), kNoServerStatus) << "the update check writes last";
  EXPECT_EQ(driver::ListCount(program_->control(备选关键词列表框)), 6);
  EXPECT_EQ(driver::ListCount(program_->control(选中关键词列表框)), 0);
  const int seed = OnShow();
  ASSERT_GE(seed, 1) << "a question picture is on show";
  EXPECT_TRUE(Shows(board(解答过程画板), SolutionPicture(seed)));
  EXPECT_EQ(board(答题画板).length, 23382u) << "the answer placeholder";
  EXPECT_EQ(board(参考答案画板).length, 42006u) << "the reference placeholder";
  EXPECT_EQ(program_->text(题目信息).rfind(L"本题难度系数：", 0), 0u);
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  EXPECT_EQ(status(), L"试卷一共有5题，现在练习第2题") << "the start-up paper holds every question";
  EXPECT_EQ(program_->Close(), 0u);
}

TEST_F(PracticeTest, ComposingTakesEveryQuestionWhoseUnitContainsAKeyword) {
  StartWith(kQuestions);
  Compose({1});  // 函数: also inside 三角函数
  EXPECT_EQ(status(), L"试卷一共有2题，现在练习第1题");
  std::set<int> seen{OnShow()};
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  seen.insert(OnShow());
  EXPECT_EQ(seen, (std::set<int>{2, 3}));

  // Two keywords of one question list it once; case matters for letters.
  Compose({3, 4});  // 数列, 不等式
  EXPECT_EQ(status(), L"试卷一共有1题，现在练习第1题");
  EXPECT_EQ(OnShow(), 4);
  EXPECT_EQ(program_->text(题目信息), L"本题难度系数：暂无（还没有人答过）\r\n考核知识点：数列；不等式");

  // Nothing selected: refused, and the paper on show stays.
  driver::SwitchPage(program_->control(选择夹1), 1);
  ASSERT_TRUE(driver::Click(program_->control(全取消)));
  ASSERT_TRUE(driver::Click(program_->control(组题)));
  EXPECT_EQ(status(), L"对不起，您没有选择任何组卷关键词，无法进行组卷，组卷失败！");
  EXPECT_EQ(OnShow(), 4);
}

TEST_F(PracticeTest, NavigationStopsAtBothEndsAndResetsTheAnswerArea) {
  StartWith(kQuestions);
  const std::map<int, std::wstring> difficulty = {
      {1, L"0.75"}, {2, L"0"}, {3, L"0.5"}, {4, L"暂无（还没有人答过）"}, {5, L"1"}};
  const int first = OnShow();
  ASSERT_TRUE(driver::Click(program_->control(上一题)));
  EXPECT_EQ(status(), L"已经是第1题，无法选择前一题");
  EXPECT_EQ(OnShow(), first) << "the question on show stays";

  std::set<int> seen;
  for (int position = 1; position <= 5; ++position) {
    if (position > 1) {
      ASSERT_TRUE(driver::Click(program_->control(下一题)));
      EXPECT_EQ(status(), L"试卷一共有5题，现在练习第" + std::to_wstring(position) + L"题");
    }
    const int seed = OnShow();
    ASSERT_GE(seed, 1);
    seen.insert(seed);
    EXPECT_EQ(program_->text(题目信息),
              L"本题难度系数：" + difficulty.at(seed) + L"\r\n考核知识点：" + kQuestions[seed - 1].unit);
  }
  EXPECT_EQ(seen.size(), 5u) << "the shuffled paper holds every question once";
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  EXPECT_EQ(status(), L"已经是最后一题，无法选择后一题");

  // The reference answer, then away and back: placeholders again.
  const int last = OnShow();
  ASSERT_TRUE(driver::Click(program_->control(参考答案)));
  EXPECT_EQ(status(), L"参考答案装载完毕");
  EXPECT_TRUE(Shows(board(参考答案画板), AnswerPicture(last)));
  driver::DoubleClick(program_->control(参考答案画板));
  EXPECT_TRUE(Shows(board(参考答案画板), AnswerPicture(last)));
  ASSERT_TRUE(driver::Click(program_->control(上一题)));
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  EXPECT_EQ(OnShow(), last);
  EXPECT_EQ(board(参考答案画板).length, 42006u);
  EXPECT_EQ(board(答题画板).length, 23382u);
  EXPECT_EQ(status(), L"试卷一共有5题，现在练习第5题");
}

TEST_F(PracticeTest, APaperThatFindsNothingRefusesNavigationCleanly) {
  StartWith(kQuestions);
  folder_.WriteFile(L"关键词.txt", Gbk(L"解析几何\r\n"));
  Compose({0});
  const std::wstring empty = L"试卷中没有题目，请在“组题”页换一些关键词重新组题";
  EXPECT_EQ(status(), empty);
  EXPECT_EQ(board(题目画板).length, 0u);
  for (uint32_t button : {下一题, 上一题, 参考答案}) {
    ASSERT_TRUE(driver::Click(program_->control(button)));
    EXPECT_EQ(status(), empty);
  }
  EXPECT_EQ(program_->text(题目信息), L"");
}

// A missing or damaged bank starts the self-repair (tests/e2e/update_test.cpp).
TEST_F(PracticeTest, EmptyBankLeavesAnEmptyPaperAndTheProgramRunning) {
  StartWith({});
  ComposeAll();
  EXPECT_EQ(status(), L"试卷中没有题目，请在“组题”页换一些关键词重新组题");
  EXPECT_EQ(board(题目画板).length, 0u);
  EXPECT_EQ(program_->Close(), 0u);
}

// The bank tool keeps a question set's sources in a table of its own, which
// the program never reads: a bank with it is opened and used like any other.
TEST_F(PracticeTest, ABankWithTheToolsQuestionSourcesTableIsUsedLikeAnyOther) {
  BuildBankWithSources(folder_.path() + L"\\填空题题库.db", kQuestions);
  Start();
  Compose({5});  // 概率
  EXPECT_EQ(status(), L"试卷一共有1题，现在练习第1题");
  EXPECT_EQ(OnShow(), 5);
  ASSERT_TRUE(driver::Click(program_->control(参考答案)));
  EXPECT_TRUE(Shows(board(参考答案画板), AnswerPicture(5)));
  EXPECT_EQ(program_->Close(), 0u);
}

TEST_F(PracticeTest, FieldsOfTheWrongKindAreReportedNotFatal) {
  const std::wstring bank = folder_.path() + L"\\填空题题库.db";
  WriteBank(bank, {{L"集合：子集", 1, 1, 1}, {L"集合：补集", 2, 2, 2}});
  // Record 1: a question that is text, a count that is text. Record 2: a unit
  // that is a byte string.
  ExecuteSql(bank,
             L"UPDATE QuestionPictures SET 题目 = 'not a picture' WHERE 记录号 = 1;"
             L"UPDATE QuestionBank SET 正答 = 'many' WHERE 记录号 = 1;"
             L"UPDATE QuestionBank SET 单元 = X'00FF' WHERE 记录号 = 2;");
  Start();
  ComposeAll();
  EXPECT_EQ(status(),
            L"试卷一共有1题，现在练习第1题（本题的“题目”、“正答”无法读取）"
            L"（题库中有1题的“单元”不是文字，未能参加组卷）");
  EXPECT_EQ(board(题目画板).length, 0u);
  EXPECT_TRUE(Shows(board(解答过程画板), SolutionPicture(1)));
  ASSERT_TRUE(driver::Click(program_->control(参考答案)));
  EXPECT_TRUE(Shows(board(参考答案画板), AnswerPicture(1)));

  // A bank without the field 错答 at all.
  program_->Close();
  ExecuteSql(bank, L"ALTER TABLE QuestionBank DROP COLUMN 错答;");
  Start();
  ComposeAll();
  EXPECT_EQ(status(),
            L"试卷一共有1题，现在练习第1题（本题的“题目”、“正答”、“错答”无法读取）"
            L"（题库中有1题的“单元”不是文字，未能参加组卷）");
}

}  // namespace
}  // namespace e2e
