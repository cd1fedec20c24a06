// The main window: a five-page tab control above a one-line status label.
// Places are left, top, width, height in pixels inside the parent; children of
// the tab control count from its top-left corner, page captions included.
#include "program/main_window_form.h"

#include "program/control_ids.h"

namespace program {
using namespace rt;
namespace {

// A control's identifier and, taken from it, its name.
#define TESSALY_UNIT(control) control, ControlName(control)

constexpr FontSpec kDefault{};
constexpr FontSpec kSong19{"宋体", -19, 400};
constexpr FontSpec kSong19Bold{"宋体", -19, 700};
constexpr FontSpec kSong16{"宋体", -16, 400};
constexpr FontSpec kKai19{"楷体_GB2312", -19, 400};

constexpr uint32_t kShown = kFlagVisible;
constexpr uint32_t kShownFocus = kFlagVisible | kFlagTakesFocus;
constexpr uint32_t kHiddenFocus = kFlagTakesFocus;
constexpr uint32_t kHidden = 0;

constexpr EventBinding kWindowEvents[] = {{kEventCreated, "OnMainWindowCreated"}};
constexpr EventBinding kTabEvents[] = {{kEventPageChanged, "OnPageChanged"}};
constexpr EventBinding kPreviousEvents[] = {{kEventClicked, "PreviousQuestion"}};
constexpr EventBinding kNextEvents[] = {{kEventClicked, "NextQuestion"}};
constexpr EventBinding kAnswerEvents[] = {{kEventClicked, "StartAnswering"}};
constexpr EventBinding kReferenceEvents[] = {{kEventClicked, "ShowReferenceAnswer"}};
constexpr EventBinding kAnswerBoardEvents[] = {{kEventDoubleClick, "StartAnswering"}};
constexpr EventBinding kReferenceBoardEvents[] = {{kEventDoubleClick, "ShowReferenceAnswer"}};
constexpr EventBinding kTimerEvents[] = {{kEventTick, "ReloadAnswerPicture"}};
constexpr EventBinding kComposeEvents[] = {{kEventClicked, "ComposePaper"}};
constexpr EventBinding kAddEvents[] = {{kEventClicked, "AddKeyword"}};
constexpr EventBinding kRemoveEvents[] = {{kEventClicked, "RemoveKeyword"}};
constexpr EventBinding kSelectAllEvents[] = {{kEventClicked, "SelectAllKeywords"}};
constexpr EventBinding kCancelAllEvents[] = {{kEventClicked, "CancelAllKeywords"}};
constexpr EventBinding kCandidateEvents[] = {{kEventItemDoubleClick, "MoveKeywordToSelected"}};
constexpr EventBinding kSelectedEvents[] = {{kEventItemDoubleClick, "MoveKeywordToCandidates"}};
constexpr EventBinding kUpgradeBankEvents[] = {{kEventClicked, "UpgradeBank"}};
constexpr EventBinding kUpgradeProgramEvents[] = {{kEventClicked, "UpgradeMainProgram"}};
constexpr EventBinding kUnpackerEvents[] = {{kEventProgress, "LogUnpackProgress"}};

constexpr const char* kPageCaptions[] = {"答题", "组题", "解答过程", "在线升级与反馈", "关于本软件"};

// The texts and the units below are tables, laid out by hand: one line per
// text line, one record per unit.
// clang-format off

// The program's version (TESSALY_VERSION) shows in the caption and on the
// first line here; the history below lists released versions as they were.
constexpr const char* kAboutText =
    "《Tessaly》之填空题练习 " TESSALY_VERSION "\r\n"
    "作者：林晓舟（虚构人物）\r\n"
    "学校：示例市第一中学（虚构）\r\n"
    "联系：tessaly-author@example.com\r\n"
    "主页：http://www.example.com/tessaly/\r\n"
    "欢迎把您的意见和建议告诉我们！";

constexpr const char* kUsageText =
    "1. 本软件供高中学生练习数学填空题，可自由复制，但不得用于商业用途。\r\n"
    "2. 答题时请按“我来回答”按钮或双击答题区，都会打开MathType。\r\n"
    "3. MathType须由用户自行安装，本软件不附带。";

constexpr const char* kHistoryText =
    "《Tessaly》之填空题练习 升级历史\r\n"
    "\r\n"
    "1.0.3 版（2026年11月20日）\r\n"
    "  1. 题库可以单独在线升级，不必重新下载主程序。\r\n"
    "  2. 启动时发现题库缺失会自动从服务器修复。\r\n"
    "\r\n"
    "1.0.2 版（2026年9月1日）\r\n"
    "  1. 增加“解答过程”页，每题都显示完整的解答过程。\r\n"
    "  2. 显示每道题的难度系数和考核知识点。\r\n"
    "\r\n"
    "1.0.1 版（2026年6月15日）\r\n"
    "  1. 组题时可以选择多个关键词。\r\n"
    "  2. 修正了最后一题无法显示参考答案的问题。\r\n"
    "\r\n"
    "1.0.0 版（2026年3月8日）\r\n"
    "  1. 第一个正式版本：组题、答题、显示参考答案。\r\n"
    "\r\n"
    "预览版 0.0.1（2025年12月24日）\r\n"
    "  1. 在本校高一年级试用。\r\n";

constexpr UnitDefinition kWindow{
    kMainWindowId, "", UnitKind::Window, 0, -1, 50, 50, 805, 606,
    "《Tessaly》之填空题练习" TESSALY_VERSION, kDefault, kShown, kPointerDefault, kWindowEvents, {}};

constexpr UnitDefinition kControls[] = {
    {TESSALY_UNIT(选择夹1), UnitKind::TabControl, kMainWindowId, -1, 0, 0, 800, 550, nullptr, kDefault,
     kShown, kPointerDefault, kTabEvents, kPageCaptions},
    {TESSALY_UNIT(状态栏), UnitKind::Label, kMainWindowId, -1, 0, 552, 800, 24, "状态栏", kDefault, kShown,
     kPointerDefault, {}, {}},
    // Page 0 "答题"
    {TESSALY_UNIT(分组框1), UnitKind::GroupBox, 选择夹1, kPageAnswer, 240, 20, 315, 32, nullptr, kDefault,
     kShown, kPointerDefault, {}, {}},
    {TESSALY_UNIT(上一题), UnitKind::Button, 分组框1, -1, 2, 7, 48, 22, "上一题", kDefault, kShownFocus,
     kPointerDefault, kPreviousEvents, {}},
    {TESSALY_UNIT(下一题), UnitKind::Button, 分组框1, -1, 50, 7, 48, 22, "下一题", kDefault, kShownFocus,
     kPointerDefault, kNextEvents, {}},
    {TESSALY_UNIT(答题), UnitKind::Button, 分组框1, -1, 98, 7, 56, 22, "我来回答", kDefault, kShownFocus,
     kPointerDefault, kAnswerEvents, {}},
    {TESSALY_UNIT(参考答案), UnitKind::Button, 分组框1, -1, 154, 7, 64, 22, "显示答案", kDefault,
     kShownFocus, kPointerDefault, kReferenceEvents, {}},
    {TESSALY_UNIT(备用1), UnitKind::Button, 分组框1, -1, 218, 7, 48, 22, "备用", kDefault, kShownFocus,
     kPointerDefault, {}, {}},
    {TESSALY_UNIT(备用2), UnitKind::Button, 分组框1, -1, 266, 7, 48, 22, "备用", kDefault, kShownFocus,
     kPointerDefault, {}, {}},
    {TESSALY_UNIT(题目画板), UnitKind::DrawingBoard, 选择夹1, kPageAnswer, 5, 52, 785, 424, nullptr,
     kDefault, kShown, kPointerDefault, {}, {}},
    {TESSALY_UNIT(答题画板), UnitKind::DrawingBoard, 选择夹1, kPageAnswer, 5, 480, 280, 64, nullptr,
     kDefault, kShown, kPointerDefault, kAnswerBoardEvents, {}},
    {TESSALY_UNIT(参考答案画板), UnitKind::DrawingBoard, 选择夹1, kPageAnswer, 288, 480, 280, 64,
     nullptr, kDefault, kShown, kPointerDefault, kReferenceBoardEvents, {}},
    {TESSALY_UNIT(题目信息), UnitKind::Label, 选择夹1, kPageAnswer, 576, 480, 216, 64, "", kDefault, kShown,
     kPointerDefault, {}, {}},
    {TESSALY_UNIT(时钟1), UnitKind::Timer, 选择夹1, kPageAnswer, 592, 24, 24, 24, nullptr, kDefault, kHidden,
     kPointerDefault, kTimerEvents, {}},
    // Page 1 "组题"
    {TESSALY_UNIT(标签1), UnitKind::Label, 选择夹1, kPageCompose, 276, 48, 224, 32, "请先选择要组题的关键词",
     kSong19, kShown, kPointerDefault, {}, {}},
    {TESSALY_UNIT(备选关键词列表框), UnitKind::ListBox, 选择夹1, kPageCompose, 0, 80, 350, 464, nullptr,
     kDefault, kShownFocus, kPointerDefault, kCandidateEvents, {}},
    {TESSALY_UNIT(选中关键词列表框), UnitKind::ListBox, 选择夹1, kPageCompose, 450, 80, 350, 464,
     nullptr, kDefault, kShownFocus, kPointerDefault, kSelectedEvents, {}},
    {TESSALY_UNIT(加入关键词), UnitKind::Button, 选择夹1, kPageCompose, 350, 80, 100, 64, "加入\r\n==>",
     kSong19, kShownFocus, kPointerDefault, kAddEvents, {}},
    {TESSALY_UNIT(移除关键词), UnitKind::Button, 选择夹1, kPageCompose, 350, 144, 100, 64, "移除\r\n<==",
     kSong19, kShownFocus, kPointerDefault, kRemoveEvents, {}},
    {TESSALY_UNIT(组题), UnitKind::Button, 选择夹1, kPageCompose, 350, 208, 100, 32, "开始组题", kSong19Bold,
     kShownFocus, kPointerDefault, kComposeEvents, {}},
    {TESSALY_UNIT(全选), UnitKind::OptionButton, 选择夹1, kPageCompose, 350, 312, 100, 24, "全部选择", kSong16,
     kShownFocus, kPointerDefault, kSelectAllEvents, {}},
    {TESSALY_UNIT(全取消), UnitKind::OptionButton, 选择夹1, kPageCompose, 350, 344, 100, 24, "全部取消", kSong16,
     kShownFocus, kPointerDefault, kCancelAllEvents, {}},
    // Page 2 "解答过程"
    {TESSALY_UNIT(解答过程画板), UnitKind::DrawingBoard, 选择夹1, kPageSolution, 2, 22, 785, 523,
     nullptr, kDefault, kShown, kPointerDefault, {}, {}},
    // Page 3 "在线升级与反馈"
    {TESSALY_UNIT(升级主程序按钮), UnitKind::Button, 选择夹1, kPageUpgradeAndFeedback, 8, 24, 216, 32,
     "发现有更新的主程序，按此按钮升级", kDefault, kHiddenFocus, kPointerDefault, kUpgradeProgramEvents, {}},
    {TESSALY_UNIT(升级题库按钮), UnitKind::Button, 选择夹1, kPageUpgradeAndFeedback, 224, 24, 224, 32,
     "发现有更新的题库，按此按钮只升级题库", kDefault, kHiddenFocus, kPointerDefault, kUpgradeBankEvents, {}},
    {TESSALY_UNIT(解压器), UnitKind::Unpacker, 选择夹1, kPageUpgradeAndFeedback, 448, 32, 48, 24, nullptr,
     kDefault, kHidden, kPointerDefault, kUnpackerEvents, {}},
    {TESSALY_UNIT(超级链接框1), UnitKind::HyperlinkBox, 选择夹1, kPageUpgradeAndFeedback, 328, 56, 112, 24,
     nullptr, kDefault, kHidden, kPointerDefault, {}, {}, ""},
    {TESSALY_UNIT(升级过程), UnitKind::Label, 选择夹1, kPageUpgradeAndFeedback, 11, 56, 781, 480, "", kDefault,
     kShown, kPointerDefault, {}, {}},
    // Page 4 "关于本软件"
    {TESSALY_UNIT(标签2), UnitKind::Label, 选择夹1, kPageAbout, 2, 24, 496, 168, kAboutText, kSong19, kShown,
     kPointerIBeam, {}, {}},
    {TESSALY_UNIT(服务器文本), UnitKind::Label, 选择夹1, kPageAbout, 496, 24, 304, 224,
     "很遗憾，与服务器联系失败，您不能获得升级和反馈支持。", kSong19, kShown, kPointerDefault, {}, {}},
    {TESSALY_UNIT(标签3), UnitKind::Label, 选择夹1, kPageAbout, 2, 192, 496, 56, kUsageText, kDefault, kShown,
     kPointerDefault, {}, {}},
    {TESSALY_UNIT(升级历史), UnitKind::EditBox, 选择夹1, kPageAbout, 2, 248, 796, 296, kHistoryText, kKai19,
     kShownFocus, kPointerDefault, {}, {}},
};
// clang-format on

#undef TESSALY_UNIT

constexpr FormDefinition kForm{kWindow, kControls};

}  // namespace

const FormDefinition& MainWindowForm() { return kForm; }

}  // namespace program
