// The keyword lists of the 组题 page: loading the keyword file, moving
// keywords between the lists, select all and cancel all.
#include "program/control_ids.h"
#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

using namespace program;
using Items = std::vector<std::wstring>;

namespace e2e {
namespace {

class KeywordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterUrlRecorder();
    WriteBank(folder_.path() + L"\\填空题题库.db", {});
  }

  void Start(const std::string& keywordFileBytes) {
    folder_.WriteFile(L"关键词.txt", keywordFileBytes);
    program_ = std::make_unique<RunningProgram>(folder_);
    ASSERT_TRUE(program_->started());
    driver::SwitchPage(program_->control(选择夹1), 1);
  }
  HWND candidates() const { return program_->control(备选关键词列表框); }
  HWND selected() const { return program_->control(选中关键词列表框); }

  ProgramFolder folder_;
  std::unique_ptr<RunningProgram> program_;
};

TEST_F(KeywordsTest, StartLeavesEveryKeywordACandidateInFileOrder) {
  // An empty line is an item; the last line needs no line end; GBK bytes are kept.
  Start(Gbk(L"集合\r\n函数\r\n\r\n三角函数\r\n数列"));
  EXPECT_EQ(driver::ListItems(candidates()), (Items{L"集合", L"函数", L"", L"三角函数", L"数列"}));
  EXPECT_EQ(driver::ListCount(selected()), 0);
  EXPECT_EQ(program_->Close(), 0u);
}

TEST_F(KeywordsTest, MovesByButtonAndDoubleClickGoToTheEndOfTheOtherList) {
  Start(Gbk(L"集合\r\n函数\r\n\r\n三角函数\r\n"));
  // Third keyword, then the first: the selected list keeps the order of choice.
  driver::ListSelect(candidates(), 3);
  ASSERT_TRUE(driver::Click(program_->control(加入关键词)));
  driver::ListDoubleClick(candidates(), 0);
  EXPECT_EQ(driver::ListItems(selected()), (Items{L"三角函数", L"集合"}));
  EXPECT_EQ(driver::ListItems(candidates()), (Items{L"函数", L""}));
  EXPECT_EQ(driver::ListSelection(candidates()), -1);

  // A second press with nothing selected changes nothing.
  ASSERT_TRUE(driver::Click(program_->control(加入关键词)));
  EXPECT_EQ(driver::ListCount(selected()), 2);

  // The empty item moves like any other.
  driver::ListSelect(candidates(), 1);
  ASSERT_TRUE(driver::Click(program_->control(加入关键词)));
  EXPECT_EQ(driver::ListItems(selected()), (Items{L"三角函数", L"集合", L""}));

  // Back again: by button and by double-click.
  driver::ListSelect(selected(), 0);
  ASSERT_TRUE(driver::Click(program_->control(移除关键词)));
  driver::ListDoubleClick(selected(), 1);
  EXPECT_EQ(driver::ListItems(selected()), (Items{L"集合"}));
  EXPECT_EQ(driver::ListItems(candidates()), (Items{L"函数", L"三角函数", L""}));
  ASSERT_TRUE(driver::Click(program_->control(移除关键词)));
  EXPECT_EQ(driver::ListCount(selected()), 1) << "nothing selected: nothing moves";

  // Cancel all restores the file order; select all selects everything, twice is once.
  ASSERT_TRUE(driver::Click(program_->control(全取消)));
  EXPECT_EQ(driver::ListItems(candidates()), (Items{L"集合", L"函数", L"", L"三角函数"}));
  EXPECT_EQ(driver::ListCount(selected()), 0);
  ASSERT_TRUE(driver::Click(program_->control(全选)));
  ASSERT_TRUE(driver::Click(program_->control(全选)));
  EXPECT_EQ(driver::ListItems(selected()), (Items{L"集合", L"函数", L"", L"三角函数"}));
  EXPECT_EQ(driver::ListCount(candidates()), 0);
}

TEST_F(KeywordsTest, AddOnAnEmptyCandidateListChangesNothing) {
  Start(Gbk(L"集合\r\n"));
  ASSERT_TRUE(driver::Click(program_->control(全选)));
  ASSERT_TRUE(driver::Click(program_->control(加入关键词)));
  driver::ListDoubleClick(candidates(), 0);
  EXPECT_EQ(driver::ListItems(selected()), (Items{L"集合"}));
  EXPECT_EQ(driver::ListCount(candidates()), 0);
}

TEST_F(KeywordsTest, EmptyKeywordFileGivesTwoEmptyLists) {
  Start("");
  EXPECT_EQ(driver::ListCount(candidates()), 0);
  ASSERT_TRUE(driver::Click(program_->control(全选)));
  EXPECT_EQ(driver::ListCount(candidates()) + driver::ListCount(selected()), 0);
  ASSERT_TRUE(driver::Click(program_->control(全取消)));
  EXPECT_EQ(driver::ListCount(candidates()) + driver::ListCount(selected()), 0);
}

TEST_F(KeywordsTest, RepeatedKeywordsAndLoneLineEndsAreKeptAsTheFileHasThem) {
  // A repeated line stays repeated; a lone LF and a lone CR end lines too;
  // a GBK character whose second byte is '\\' (0x5C) survives unchanged.
  Start(Gbk(L"数列\n数列\r不等式\r\n") + "\xD5\x5C");
  EXPECT_EQ(driver::ListItems(candidates()), (Items{L"数列", L"数列", L"不等式", FromGbk("\xD5\x5C")}));
}

// A missing keyword file starts the self-repair, which without a server ends
// the program with its message (tests/e2e/update_test.cpp has the repair).
TEST_F(KeywordsTest, MissingKeywordFileWithoutAServerEndsTheProgramWithItsMessage) {
  folder_.RemoveFile(L"关键词.txt");
  driver::Process process;
  ASSERT_TRUE(driver::Start(folder_.exe(), folder_.path(), process));
  ProcessGuard guard(process);
  HWND notice = driver::WaitForMessageBox(process.id, kStartTimeoutMs);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(driver::MessageBoxText(notice).rfind(L"系统发现题库不存在，正在进行自我修复。", 0), 0u);
  driver::DismissMessageBox(notice);
  HWND failed = nullptr;
  ASSERT_TRUE(driver::WaitUntil(
      [&] {
        for (HWND box : driver::MessageBoxes(process.id)) {
          if (driver::MessageBoxText(box) == L"连接服务器失败，无法进行自我修复，程序被结束。请稍后再试……")
            failed = box;
        }
        return failed != nullptr;
      },
      10000));
  driver::DismissMessageBox(failed);
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(process, 10000, code));
  EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace e2e
