// The main window as a person sees it: caption, size, pages, every control's
// text and where it shows, and the feedback link of the upgrade page.
#include <algorithm>
#include <optional>

#include "program/program_settings.h"
#include "program/control_ids.h"
#include "program/main_window_form.h"
#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

using namespace program;

namespace e2e {
namespace {

struct ExpectedControl {
  uint32_t id;
  int page;                          // -1: not on a tab page
  bool shown;                        // shown while its page is selected
  std::optional<std::wstring> text;  // none: not checked here
};

const ExpectedControl kControls[] = {
    {选择夹1, -1, true, L""},
    {状态栏, -1, true, std::nullopt},  // start-up writes to it
    {分组框1, 0, true, L""},
    {上一题, 0, true, L"上一题"},
    {下一题, 0, true, L"下一题"},
    {答题, 0, true, L"我来回答"},
    {参考答案, 0, true, L"显示答案"},
    {备用1, 0, true, L"备用"},
    {备用2, 0, true, L"备用"},
    {题目画板, 0, true, L""},
    {答题画板, 0, true, L""},
    {参考答案画板, 0, true, L""},
    {题目信息, 0, true, std::nullopt},
    {标签1, 1, true, L"请先选择要组题的关键词"},
    {备选关键词列表框, 1, true, std::nullopt},
    {选中关键词列表框, 1, true, std::nullopt},
    {加入关键词, 1, true, L"加入\r\n==>"},
    {移除关键词, 1, true, L"移除\r\n<=="},
    {组题, 1, true, L"开始组题"},
    {全选, 1, true, L"全部选择"},
    {全取消, 1, true, L"全部取消"},
    {解答过程画板, 2, true, L""},
    {升级主程序按钮, 3, false, L"发现有更新的主程序，按此按钮升级"},
    {升级题库按钮, 3, false, L"发现有更新的题库，按此按钮只升级题库"},
    {超级链接框1, 3, false, std::nullopt},
    {升级过程, 3, true, L""},
    {标签2, 4, true, std::nullopt},
    {服务器文本, 4, true, L"很遗憾，与服务器联系失败，您不能获得升级和反馈支持。"},
    {标签3, 4, true, std::nullopt},
    {升级历史, 4, true, std::nullopt},
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMathTypeCommand(nullptr);
    RegisterUrlRecorder();
    ClearRecordedUrls();
    folder_.WriteFile(L"关键词.txt", Gbk(L"集合\r\n函数\r\n"));
    WriteBank(folder_.path() + L"\\填空题题库.db", {});
  }
  ProgramFolder folder_;
};

TEST_F(MainWindowTest, CaptionSizePagesAndEveryControlOnItsPage) {
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());

  RECT outer;
  GetWindowRect(program.main(), &outer);
  EXPECT_EQ(outer.right - outer.left, 805);
  EXPECT_EQ(outer.bottom - outer.top, 606);
  EXPECT_EQ(GetMenu(program.main()), nullptr);
  const LONG style = GetWindowLongW(program.main(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the frame must not be resizable";
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);

  HWND tab = program.control(选择夹1);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(driver::PageCaptions(tab),
            (std::vector<std::wstring>{L"答题", L"组题", L"解答过程", L"在线升级与反馈", L"关于本软件"}));
  EXPECT_EQ(driver::SelectedPage(tab), 0);

  for (const ExpectedControl& c : kControls) {
    HWND hwnd = program.control(c.id);
    ASSERT_NE(hwnd, nullptr) << std::hex << c.id;
    if (c.text) EXPECT_EQ(driver::Text(hwnd), *c.text) << std::hex << c.id;
  }
  EXPECT_FALSE(driver::Text(program.control(标签2)).empty());
  EXPECT_EQ(driver::Text(program.control(标签3)).substr(0, 2), L"1.");
  const std::wstring history = driver::Text(program.control(升级历史));
  EXPECT_EQ(history.find(L"1.0.3"), history.find(L"1.0")) << "the history lists the newest version first";
  // The timer and the unpacker are not windows (every other control is made by now).
  EXPECT_EQ(GetDlgItem(program.main(), 时钟1 & 0xFFFF), nullptr);
  EXPECT_EQ(GetDlgItem(program.main(), 解压器 & 0xFFFF), nullptr);

  // Each page shows its own controls and no other page's.
  for (int page : {0, 1, 2, 4, 3}) {
    driver::SwitchPage(tab, page);
    ASSERT_EQ(driver::SelectedPage(tab), page);
    for (const ExpectedControl& c : kControls) {
      const bool expected = c.shown && (c.page == -1 || c.page == page);
      EXPECT_EQ(driver::Visible(program.control(c.id)), expected)
          << "control 0x" << std::hex << c.id << " on page " << std::dec << page;
    }
  }
  EXPECT_EQ(program.Close(), 0u);
}

// The Tab key goes through the controls in the order of the window
// definition, and a group box or the tab control lies under the controls
// placed on it: the order the window's children lie in, top first. The
// controls of the pages not on show at start are made later than the others
// and must still take their places in it.
TEST_F(MainWindowTest, ControlsLieInTheOrderOfTheDefinitionAboveTheirFrames) {
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());
  std::vector<int> expected, groupBoxes;
  int tab = 0;
  for (const rt::UnitDefinition& def : MainWindowForm().controls) {
    if (def.kind == rt::UnitKind::Timer || def.kind == rt::UnitKind::Unpacker) continue;  // no windows
    ASSERT_NE(program.control(def.id), nullptr) << std::hex << def.id;
    const int id = static_cast<int>(def.id & 0xFFFF);
    if (def.kind == rt::UnitKind::TabControl) {
      tab = id;
    } else if (def.kind == rt::UnitKind::GroupBox) {
      groupBoxes.insert(groupBoxes.begin(), id);
    } else {
      expected.push_back(id);
    }
  }
  expected.insert(expected.end(), groupBoxes.begin(), groupBoxes.end());
  expected.push_back(tab);
  std::vector<int> lying;
  for (HWND w = GetWindow(program.main(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) lying.push_back(GetDlgCtrlID(w));
  EXPECT_EQ(lying, expected);
}

TEST_F(MainWindowTest, ControlsSitAtTheirPlaces) {
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());
  struct Place {
    uint32_t id;
    RECT rect;  // in the main window's client area: left, top, right, bottom
  };
  // Children of the tab control count from its corner (0, 0); the buttons of
  // 分组框1 from the group box at (240, 20).
  const Place places[] = {
      {选择夹1, {0, 0, 800, 550}},           {状态栏, {0, 552, 800, 576}},   {分组框1, {240, 20, 555, 52}},
      {上一题, {242, 27, 290, 49}},          {备用2, {506, 27, 554, 49}},    {题目画板, {5, 52, 790, 476}},
      {备选关键词列表框, {0, 80, 350, 544}}, {全取消, {350, 344, 450, 368}}, {升级历史, {2, 248, 798, 544}},
  };
  for (const Place& p : places) {
    const RECT r = driver::PlaceInParent(program.control(p.id));
    EXPECT_EQ(r.left, p.rect.left) << std::hex << p.id;
    EXPECT_EQ(r.top, p.rect.top) << std::hex << p.id;
    EXPECT_EQ(r.right, p.rect.right) << std::hex << p.id;
    EXPECT_EQ(r.bottom, p.rect.bottom) << std::hex << p.id;
  }
}

// The tab control's pane frames the page on screen where the controls leave
// it uncovered: down the strips beside the question board every row shows the
// same frame (not just the window's background), and along the bottom too.
TEST_F(MainWindowTest, TabPaneFramesThePageWhereControlsLeaveItUncovered) {
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());
  HWND tab = program.control(选择夹1);
  const RECT board = driver::PlaceInParent(program.control(题目画板));
  const RECT answer = driver::PlaceInParent(program.control(答题画板));
  RedrawWindow(program.main(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  int width = 0;
  const std::vector<uint32_t> pixels = driver::ScreenPixels(tab, width);
  ASSERT_EQ(pixels.size(), static_cast<size_t>(width) * 550);
  const uint32_t background = driver::ScreenColour(GetSysColor(COLOR_BTNFACE));
  const auto row = [&](LONG y, LONG from, LONG to) {
    return std::vector<uint32_t>(pixels.begin() + y * width + from, pixels.begin() + y * width + to);
  };
  const auto framed = [&](const std::vector<uint32_t>& part) {
    return std::any_of(part.begin(), part.end(), [&](uint32_t p) { return p != background; });
  };
  for (const auto& [from, to] : {std::pair<LONG, LONG>{0, board.left}, std::pair<LONG, LONG>{board.right, width}}) {
    const std::vector<uint32_t> first = row(board.top, from, to);
    EXPECT_TRUE(framed(first)) << "columns " << from << "-" << to;
    for (LONG y = board.top + 1; y < board.bottom; ++y) ASSERT_EQ(row(y, from, to), first) << "row " << y;
  }
  bool bottomEdge = false;
  for (LONG y = answer.bottom; y < 550; ++y) bottomEdge = bottomEdge || framed(row(y, board.left, board.right));
  EXPECT_TRUE(bottomEdge);
}

TEST_F(MainWindowTest, FeedbackPageOpensTheGuestbookEveryTimeItIsChosen) {
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());
  HWND tab = program.control(选择夹1);
  for (int page : {1, 2, 4, 0}) driver::SwitchPage(tab, page);
  Sleep(500);
  EXPECT_TRUE(RecordedUrls().empty()) << "no other page opens anything";

  driver::SwitchPage(tab, 3);
  ASSERT_TRUE(driver::WaitUntil([] { return RecordedUrls().size() == 1; }, 10000));
  // The guestbook of the program's own settings (the build's, in this test).
  std::map<std::string, std::string> settings = SettingsOf(folder_.exe());
  const std::string expected = FeedbackUrl(settings["feedback-host"], settings["feedback-userid"]);
  const std::wstring url = RecordedUrls()[0];
  EXPECT_EQ(url, std::wstring(expected.begin(), expected.end()));
  EXPECT_NE(url.find(L"/script/user/list.asp?userid="), std::wstring::npos);

  driver::SwitchPage(tab, 4);
  driver::SwitchPage(tab, 3);
  ASSERT_TRUE(driver::WaitUntil([] { return RecordedUrls().size() == 2; }, 10000));
  EXPECT_EQ(RecordedUrls()[1], url);
  Sleep(300);
  EXPECT_EQ(RecordedUrls().size(), 2u);
  // The hyperlink box itself stays hidden on its page.
  EXPECT_FALSE(driver::Visible(program.control(超级链接框1)));
}

TEST_F(MainWindowTest, SpareButtonsDoNothingAndBoardsWithoutAQuestionStayEmpty) {
  // An empty question bank in this folder: the paper is empty.
  RunningProgram program(folder_);
  ASSERT_TRUE(program.started());
  const std::wstring status = program.text(状态栏);
  ASSERT_TRUE(driver::Click(program.control(备用1)));
  ASSERT_TRUE(driver::Click(program.control(备用2)));
  EXPECT_EQ(program.text(状态栏), status);
  for (uint32_t board : {题目画板, 解答过程画板}) {
    const driver::PictureInfo info = driver::Picture(program.control(board));
    EXPECT_EQ(info.length, 0u);
    EXPECT_EQ(info.crc, 0u);
  }
  // The answer area and the reference answer show their placeholders.
  EXPECT_EQ(driver::Picture(program.control(答题画板)).length, 23382u);
  EXPECT_EQ(driver::Picture(program.control(参考答案画板)).length, 42006u);
  EXPECT_EQ(program.Close(), 0u);
}

}  // namespace
}  // namespace e2e
