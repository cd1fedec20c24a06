// Answering in the equation editor, with a stand-in editor registered as the
// editor's local server.
#include <fstream>
#include <filesystem>

#include "program/control_ids.h"
#include "program/pictures.h"
#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

using namespace program;

namespace e2e {
namespace {

// The stand-in's answer picture: 65 bytes of GIF.
constexpr uint32_t kStandinAnswerLength = 65;
const wchar_t kNotInstalled[] = L"对不起，您没有安装MathType，请先安装才能答题";

class AnsweringTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterUrlRecorder();
    // A folder with a blank in its name: the command line is not quoted.
    editorDir_ = BinDirectory() + L"\\Math Type";
    CreateDirectoryW(editorDir_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((BinDirectory() + L"\\equation_editor_standin.exe").c_str(), editor().c_str(), FALSE));
    DeleteFileW((editorDir_ + L"\\standin-commandline.txt").c_str());
    SetMode("save");
    folder_.WriteFile(L"关键词.txt", Gbk(L"集合\r\n"));
    WriteBank(folder_.path() + L"\\填空题题库.db", {{L"集合：交集", 3, 1, 1}, {L"集合：并集", 1, 3, 2}});
  }
  void TearDown() override { SetMathTypeCommand(nullptr); }

  std::wstring editor() const { return editorDir_ + L"\\equation_editor_standin.exe"; }
  void SetMode(const std::string& mode) const {
    std::ofstream(std::filesystem::path(editorDir_ + L"\\standin-mode.txt"), std::ios::binary) << mode;
  }
  std::string RecordedCommandLine() const {
    std::ifstream in(std::filesystem::path(editorDir_ + L"\\standin-commandline.txt"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Start() {
    program_ = std::make_unique<RunningProgram>(folder_);
    ASSERT_TRUE(program_->started());
  }
  driver::PictureInfo answerBoard() const { return driver::Picture(program_->control(答题画板)); }

  std::wstring editorDir_;
  ProgramFolder folder_;
  std::unique_ptr<RunningProgram> program_;
};

TEST_F(AnsweringTest, SavedAnswerAppearsAndIsFollowedUntilTheNextQuestion) {
  const std::wstring command = editor();
  SetMathTypeCommand(&command);
  Start();
  ASSERT_TRUE(driver::Click(program_->control(答题)));
  EXPECT_EQ(program_->text(状态栏), L"您正在答题，请在MathType中答题结束后保存退出");
  // The command line: the registry text unchanged, one blank, the answer file.
  // (Wine hands a started program its path in quotes when the path has a
  // blank, though the program passed it without; take those quotes away.)
  const std::string path(command.begin(), command.end());
  std::string recorded = RecordedCommandLine();
  if (recorded.rfind("\"" + path + "\"", 0) == 0) recorded = path + recorded.substr(path.size() + 2);
  EXPECT_EQ(recorded, path + " c:\\ans.gif");
  EXPECT_TRUE(driver::WaitUntil([&] { return answerBoard().length == kStandinAnswerLength; }, 3000))
      << "the saved answer shows within about a second";

  // The next question stops following the answer: the placeholder stays.
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  EXPECT_EQ(answerBoard().length, 23382u);
  Sleep(1500);
  EXPECT_EQ(answerBoard().length, 23382u) << "the timer was stopped by the next question";
}

TEST_F(AnsweringTest, ClosingTheEditorUnsavedShowsTheBlankTemplate) {
  const std::wstring command = editor();
  SetMathTypeCommand(&command);
  SetMode("nosave");
  Start();
  driver::DoubleClick(program_->control(答题画板));  // the same as the button
  EXPECT_EQ(program_->text(状态栏), L"您正在答题，请在MathType中答题结束后保存退出");
  const std::string_view blank = AnswerTemplate();
  EXPECT_TRUE(driver::WaitUntil(
      [&] {
        const driver::PictureInfo info = answerBoard();
        return info.length == blank.size() && info.crc == Crc32(std::string(blank));
      },
      3000));
}

TEST_F(AnsweringTest, WithoutTheEditorNothingStartsAndTheStudentIsTold) {
  SetMathTypeCommand(nullptr);
  Start();
  ASSERT_TRUE(driver::Click(program_->control(答题)));
  EXPECT_EQ(program_->text(状态栏), kNotInstalled);
  ASSERT_TRUE(driver::Click(program_->control(下一题)));
  driver::DoubleClick(program_->control(答题画板));
  EXPECT_EQ(program_->text(状态栏), kNotInstalled);
  Sleep(1300);
  EXPECT_EQ(answerBoard().length, 23382u) << "no timer runs";
  EXPECT_TRUE(RecordedCommandLine().empty());

  // A registered editor that cannot be started gives the same message.
  program_->Close();
  const std::wstring missing = L"C:\\no such folder\\MathType.exe";
  SetMathTypeCommand(&missing);
  Start();
  ASSERT_TRUE(driver::Click(program_->control(答题)));
  EXPECT_EQ(program_->text(状态栏), kNotInstalled);
}

}  // namespace
}  // namespace e2e
