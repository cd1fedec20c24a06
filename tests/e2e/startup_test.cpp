// Start-up: the equation-editor look-up, the single-instance guard and the end.
#include "program/control_ids.h"
#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

using namespace program;

namespace e2e {
namespace {

const wchar_t kNotInstalled[] = L"未安装MathType，本程序无法使用答题功能";
const wchar_t kCannotAnswer[] = L"对不起，您没有安装MathType，请先安装才能答题";

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterUrlRecorder();
    folder_.WriteFile(L"关键词.txt", Gbk(L"集合\r\n"));
    WriteBank(folder_.path() + L"\\填空题题库.db", {});
  }
  void TearDown() override { SetMathTypeCommand(nullptr); }
  ProgramFolder folder_;
};

// The start-up note about a missing editor is overwritten by the first
// composition's texts at once; what stays is that answering is refused.
TEST_F(StartupTest, MissingOrEmptyEquationEditorEntryMeansNoAnswering) {
  const std::wstring empty;
  for (const std::wstring* command : {static_cast<const std::wstring*>(nullptr), &empty}) {
    SetMathTypeCommand(command);
    RunningProgram program(folder_);
    ASSERT_TRUE(program.started());
    EXPECT_NE(program.text(状态栏), kNotInstalled) << "composition has written its own texts since";
    ASSERT_TRUE(driver::Click(program.control(答题)));
    EXPECT_EQ(program.text(状态栏), kCannotAnswer);
    EXPECT_EQ(program.Close(), 0u);
  }
}

TEST_F(StartupTest, InstalledEquationEditorIsStartedFromItsRegistryEntry) {
  // A command that starts nothing real: cmd.exe ends at once, so answering
  // proceeds as if the editor had been closed.
  const std::wstring command = L"C:\\windows\\system32\\cmd.exe /c exit";
  SetMathTypeCommand(&command);
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());
  ASSERT_TRUE(driver::Click(program.control(答题)));
  EXPECT_EQ(program.text(状态栏), L"您正在答题，请在MathType中答题结束后保存退出");
  EXPECT_EQ(program.Close(), 0u);
}

TEST_F(StartupTest, SecondStartShowsOneMessageAndLeavesTheFirstRunning) {
  RunningProgram first(folder_);
  ASSERT_TRUE(first.started());

  driver::Process second;
  ASSERT_TRUE(driver::Start(folder_.exe(), folder_.path(), second));
  HWND box = driver::WaitForMessageBox(second.id, kStartTimeoutMs);
  ASSERT_NE(box, nullptr) << "the second start shows a message box";
  Sleep(300);
  EXPECT_EQ(driver::MessageBoxes(second.id).size(), 1u);
  EXPECT_EQ(driver::MessageBoxText(box), L"系统正在更新题库中，请耐心等待，无须再次启动。");
  EXPECT_TRUE(GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) << "system-modal boxes stay on top";
  // The second instance never shows a main window of its own.
  EXPECT_EQ(driver::WaitForWindow(second.id, kCaption, 200), nullptr);

  driver::DismissMessageBox(box);
  DWORD code = 0xDEAD;
  ASSERT_TRUE(driver::WaitForExit(second, 10000, code));
  EXPECT_EQ(code, 0u);
  CloseHandle(second.handle);

  EXPECT_TRUE(IsWindow(first.main())) << "the first instance goes on";
  EXPECT_TRUE(driver::Visible(first.main()));
  EXPECT_EQ(first.Close(), 0u);

  // Once the first instance has ended, a new start is a first instance again.
  RunningProgram third(folder_);
  EXPECT_TRUE(third.started());
  EXPECT_TRUE(driver::MessageBoxes(third.process().id).empty());
}

}  // namespace
}  // namespace e2e
