// The main window's stored definition, checked unit by unit against the
// window as it is meant to look and behave.
#include "program/main_window_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "program/build_settings.h"
#include "program/control_ids.h"

namespace {

using rt::UnitDefinition;
using rt::UnitKind;

enum class Font { Default, Song19, Song19Bold, Song16, Kai19 };

struct Binding {
  int32_t event;
  const char* handler;
};

// A long static text that is checked on its own: only "present and not empty" here.
const char* const kLongText = "(long text)";

struct ExpectedUnit {
  uint32_t id;
  const char* name;
  UnitKind kind;
  uint32_t parent;
  int32_t page;
  int32_t left, top, width, height;
  const char* text;  // null: no text
  Font font;
  bool visible;
  std::vector<Binding> events;
  uint32_t pointer = 0;
};

constexpr uint32_t kWindow = 0x52010001;
constexpr uint32_t kTab = 0x16010002;
constexpr uint32_t kGroup = 0x16010003;

using K = UnitKind;
using F = Font;

const std::vector<ExpectedUnit>& ExpectedControls() {
  static const std::vector<ExpectedUnit> controls = {
      {0x16010002, "选择夹1", K::TabControl, kWindow, -1, 0, 0, 800, 550, nullptr, F::Default, true,
       {{0, "OnPageChanged"}}},
      {0x1601000E, "状态栏", K::Label, kWindow, -1, 0, 552, 800, 24, "状态栏", F::Default, true, {}},
      // Page 0
      {0x16010003, "分组框1", K::GroupBox, kTab, 0, 240, 20, 315, 32, nullptr, F::Default, true, {}},
      {0x16010004, "上一题", K::Button, kGroup, -1, 2, 7, 48, 22, "上一题", F::Default, true,
       {{0, "PreviousQuestion"}}},
      {0x16010005, "下一题", K::Button, kGroup, -1, 50, 7, 48, 22, "下一题", F::Default, true,
       {{0, "NextQuestion"}}},
      {0x16010007, "答题", K::Button, kGroup, -1, 98, 7, 56, 22, "我来回答", F::Default, true,
       {{0, "StartAnswering"}}},
      {0x16010008, "参考答案", K::Button, kGroup, -1, 154, 7, 64, 22, "显示答案", F::Default, true,
       {{0, "ShowReferenceAnswer"}}},
      {0x16010009, "备用1", K::Button, kGroup, -1, 218, 7, 48, 22, "备用", F::Default, true, {}},
      {0x1601000A, "备用2", K::Button, kGroup, -1, 266, 7, 48, 22, "备用", F::Default, true, {}},
      {0x1601001B, "题目画板", K::DrawingBoard, kTab, 0, 5, 52, 785, 424, nullptr, F::Default, true, {}},
      {0x1601001C, "答题画板", K::DrawingBoard, kTab, 0, 5, 480, 280, 64, nullptr, F::Default, true,
       {{-3, "StartAnswering"}}},
      {0x1601001D, "参考答案画板", K::DrawingBoard, kTab, 0, 288, 480, 280, 64, nullptr, F::Default, true,
       {{-3, "ShowReferenceAnswer"}}},
      {0x1601001E, "题目信息", K::Label, kTab, 0, 576, 480, 216, 64, "", F::Default, true, {}},
      {0x16010069, "时钟1", K::Timer, kTab, 0, 592, 24, 24, 24, nullptr, F::Default, false,
       {{0, "ReloadAnswerPicture"}}},
      // Page 1
      {0x16010038, "标签1", K::Label, kTab, 1, 276, 48, 224, 32, "请先选择要组题的关键词", F::Song19, true, {}},
      {0x16010094, "备选关键词列表框", K::ListBox, kTab, 1, 0, 80, 350, 464, nullptr, F::Default, true,
       {{1, "MoveKeywordToSelected"}}},
      {0x16010095, "选中关键词列表框", K::ListBox, kTab, 1, 450, 80, 350, 464, nullptr, F::Default, true,
       {{1, "MoveKeywordToCandidates"}}},
      {0x16010096, "加入关键词", K::Button, kTab, 1, 350, 80, 100, 64, "加入\r\n==>", F::Song19, true,
       {{0, "AddKeyword"}}},
      {0x16010097, "移除关键词", K::Button, kTab, 1, 350, 144, 100, 64, "移除\r\n<==", F::Song19, true,
       {{0, "RemoveKeyword"}}},
      {0x16010048, "组题", K::Button, kTab, 1, 350, 208, 100, 32, "开始组题", F::Song19Bold, true,
       {{0, "ComposePaper"}}},
      {0x16010098, "全选", K::OptionButton, kTab, 1, 350, 312, 100, 24, "全部选择", F::Song16, true,
       {{0, "SelectAllKeywords"}}},
      {0x16010099, "全取消", K::OptionButton, kTab, 1, 350, 344, 100, 24, "全部取消", F::Song16, true,
       {{0, "CancelAllKeywords"}}},
      // Page 2
      {0x1601004B, "解答过程画板", K::DrawingBoard, kTab, 2, 2, 22, 785, 523, nullptr, F::Default, true, {}},
      // Page 3
      {0x160100FA, "升级主程序按钮", K::Button, kTab, 3, 8, 24, 216, 32, "发现有更新的主程序，按此按钮升级",
       F::Default, false, {{0, "UpgradeMainProgram"}}},
      {0x160100F9, "升级题库按钮", K::Button, kTab, 3, 224, 24, 224, 32, "发现有更新的题库，按此按钮只升级题库",
       F::Default, false, {{0, "UpgradeBank"}}},
      {0x160100FC, "解压器", K::Unpacker, kTab, 3, 448, 32, 48, 24, nullptr, F::Default, false,
       {{1, "LogUnpackProgress"}}},
      {0x1601010B, "超级链接框1", K::HyperlinkBox, kTab, 3, 328, 56, 112, 24, nullptr, F::Default, false, {}},
      {0x160100FD, "升级过程", K::Label, kTab, 3, 11, 56, 781, 480, "", F::Default, true, {}},
      // Page 4
      {0x16010089, "标签2", K::Label, kTab, 4, 2, 24, 496, 168, kLongText, F::Song19, true, {}, 32513},
      {0x160100C1, "服务器文本", K::Label, kTab, 4, 496, 24, 304, 224,
       "很遗憾，与服务器联系失败，您不能获得升级和反馈支持。", F::Song19, true, {}},
      {0x1601008C, "标签3", K::Label, kTab, 4, 2, 192, 496, 56, kLongText, F::Default, true, {}},
      {0x1601011E, "升级历史", K::EditBox, kTab, 4, 2, 248, 796, 296, kLongText, F::Kai19, true, {}},
  };
  return controls;
}

bool TakesFocus(UnitKind kind) {
  return kind == K::Button || kind == K::OptionButton || kind == K::ListBox || kind == K::EditBox;
}

void ExpectFont(const rt::FontSpec& actual, Font expected) {
  struct FontValues {
    const char* face;
    int32_t height, weight;
  };
  static const std::map<Font, FontValues> values = {
      {F::Song19, {"\xCB\xCE\xCC\xE5", -19, 400}},        // 宋体
      {F::Song19Bold, {"\xCB\xCE\xCC\xE5", -19, 700}},    // 宋体
      {F::Song16, {"\xCB\xCE\xCC\xE5", -16, 400}},        // 宋体
      {F::Kai19, {"\xBF\xAC\xCC\xE5_GB2312", -19, 400}},  // 楷体_GB2312
  };
  if (expected == F::Default) {
    EXPECT_TRUE(actual.IsDefault());
    EXPECT_EQ(actual.face, nullptr);
    return;
  }
  const FontValues& want = values.at(expected);
  ASSERT_NE(actual.face, nullptr);
  EXPECT_STREQ(actual.face, want.face);
  EXPECT_EQ(actual.height, want.height);
  EXPECT_EQ(actual.weight, want.weight);
}

void ExpectBindings(const UnitDefinition& unit, const std::vector<Binding>& expected) {
  ASSERT_EQ(unit.events.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(unit.events[i].event, expected[i].event);
    ASSERT_NE(unit.events[i].handler, nullptr);
    EXPECT_STREQ(unit.events[i].handler, expected[i].handler);
  }
}

std::string Hex(uint32_t id) {
  std::ostringstream out;
  out << "unit 0x" << std::hex << id;
  return out.str();
}

const rt::FormDefinition& Form() { return program::MainWindowForm(); }

TEST(MainWindowForm, WindowRecord) {
  const UnitDefinition& w = Form().window;
  EXPECT_EQ(w.id, 0x52010001u);
  EXPECT_EQ(w.kind, K::Window);
  ASSERT_NE(w.name, nullptr);
  EXPECT_STREQ(w.name, "");
  EXPECT_EQ(w.parent, 0u);
  EXPECT_EQ(w.page, -1);
  EXPECT_EQ(w.left, 50);
  EXPECT_EQ(w.top, 50);
  EXPECT_EQ(w.width, 805);
  EXPECT_EQ(w.height, 606);
  ASSERT_NE(w.text, nullptr);
  EXPECT_STREQ(w.text, "《Tessaly》之填空题练习" TESSALY_VERSION);
  EXPECT_STREQ(w.text, "\xA1\xB6Tessaly\xA1\xB7\xD6\xAE\xCC\xEE\xBF\xD5\xCC\xE2\xC1\xB7\xCF\xB0" TESSALY_VERSION);
  ExpectFont(w.font, F::Default);
  EXPECT_EQ(w.flags, rt::kFlagVisible);
  EXPECT_EQ(w.pointer, 0u);
  ExpectBindings(w, {{0, "OnMainWindowCreated"}});
  EXPECT_TRUE(w.pages.empty());
  EXPECT_EQ(w.target, nullptr);
  EXPECT_EQ(program::kMainWindowId, w.id);
}

TEST(MainWindowForm, EveryControlMatchesItsExpectedRecord) {
  for (const ExpectedUnit& e : ExpectedControls()) {
    SCOPED_TRACE(Hex(e.id));
    const UnitDefinition* unit = Form().Find(e.id);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->id, e.id);
    ASSERT_NE(unit->name, nullptr);
    EXPECT_STREQ(unit->name, e.name);
    EXPECT_EQ(unit->kind, e.kind);
    EXPECT_EQ(unit->parent, e.parent);
    EXPECT_EQ(unit->page, e.page);
    EXPECT_EQ(unit->left, e.left);
    EXPECT_EQ(unit->top, e.top);
    EXPECT_EQ(unit->width, e.width);
    EXPECT_EQ(unit->height, e.height);
    if (e.text == nullptr) {
      EXPECT_EQ(unit->text, nullptr);
    } else if (e.text == kLongText) {
      ASSERT_NE(unit->text, nullptr);
      EXPECT_GT(std::strlen(unit->text), 0u);
    } else {
      ASSERT_NE(unit->text, nullptr);
      EXPECT_STREQ(unit->text, e.text);
    }
    ExpectFont(unit->font, e.font);
    const uint32_t flags = (e.visible ? rt::kFlagVisible : 0) | (TakesFocus(e.kind) ? rt::kFlagTakesFocus : 0);
    EXPECT_EQ(unit->flags, flags);
    EXPECT_EQ(unit->pointer, e.pointer);
    ExpectBindings(*unit, e.events);
    if (e.kind != K::TabControl) {
      EXPECT_TRUE(unit->pages.empty());
    }
    if (e.kind != K::HyperlinkBox) {
      EXPECT_EQ(unit->target, nullptr);
    }
  }
}

TEST(MainWindowForm, NoControlsBeyondTheExpectedOnes) {
  std::set<uint32_t> expected;
  for (const ExpectedUnit& e : ExpectedControls()) expected.insert(e.id);
  ASSERT_EQ(expected.size(), ExpectedControls().size());
  EXPECT_EQ(Form().controls.size(), ExpectedControls().size());
  for (const UnitDefinition& unit : Form().controls) {
    EXPECT_TRUE(expected.count(unit.id)) << Hex(unit.id) << " is not expected";
  }
}

TEST(MainWindowForm, IdentifiersNamesAndControlIdsAreUnique) {
  std::set<uint32_t> ids{Form().window.id};
  std::set<std::string> names;
  std::set<uint16_t> controlIds;
  for (const UnitDefinition& unit : Form().controls) {
    EXPECT_TRUE(ids.insert(unit.id).second) << Hex(unit.id) << " appears twice";
    EXPECT_TRUE(names.insert(unit.name).second) << Hex(unit.id) << " repeats a name";
    const uint16_t controlId = program::Win32ControlId(unit.id);
    EXPECT_EQ(controlId, unit.id & 0xFFFF);
    EXPECT_TRUE(controlIds.insert(controlId).second) << Hex(unit.id) << " repeats a Win32 control ID";
  }
}

TEST(MainWindowForm, ParentsComeBeforeTheirChildren) {
  std::set<uint32_t> seen{Form().window.id};
  for (const UnitDefinition& unit : Form().controls) {
    EXPECT_TRUE(seen.count(unit.parent)) << Hex(unit.id) << " has a parent not defined before it";
    const UnitDefinition* parent = Form().Find(unit.parent);
    ASSERT_NE(parent, nullptr) << Hex(unit.id);
    // Only children of the tab control sit on a page, and only on one of its pages.
    if (parent->kind == K::TabControl) {
      EXPECT_GE(unit.page, 0) << Hex(unit.id);
      EXPECT_LT(static_cast<size_t>(unit.page), parent->pages.size()) << Hex(unit.id);
    } else {
      EXPECT_EQ(unit.page, -1) << Hex(unit.id);
    }
    seen.insert(unit.id);
  }
}

TEST(MainWindowForm, FindAndFindByName) {
  const rt::FormDefinition& form = Form();
  EXPECT_EQ(form.Find(0x52010001), &form.window);
  for (const UnitDefinition& unit : form.controls) {
    EXPECT_EQ(form.Find(unit.id), &unit) << Hex(unit.id);
    EXPECT_EQ(form.FindByName(unit.name), &unit) << Hex(unit.id);
  }
  const UnitDefinition* status = form.FindByName("\xD7\xB4\xCC\xAC\xC0\xB8");  // 状态栏
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->id, 0x1601000Eu);
  EXPECT_EQ(form.Find(0), nullptr);
  EXPECT_EQ(form.Find(0x16010001), nullptr);
  EXPECT_EQ(form.Find(0x1601FFFF), nullptr);
  EXPECT_EQ(form.FindByName("不存在的控件"), nullptr);
  EXPECT_EQ(form.FindByName("\xD7\xB4\xCC\xAC"), nullptr);  // a prefix of 状态栏 is no name
}

TEST(MainWindowForm, NamedIdentifiersMatchTheDefinition) {
  const std::vector<std::pair<uint32_t, const char*>> named = {
      {program::选择夹1, "选择夹1"}, {program::分组框1, "分组框1"}, {program::上一题, "上一题"},
      {program::下一题, "下一题"}, {program::答题, "答题"}, {program::参考答案, "参考答案"},
      {program::备用1, "备用1"}, {program::备用2, "备用2"}, {program::状态栏, "状态栏"},
      {program::题目画板, "题目画板"}, {program::答题画板, "答题画板"}, {program::参考答案画板, "参考答案画板"},
      {program::题目信息, "题目信息"}, {program::标签1, "标签1"}, {program::组题, "组题"},
      {program::解答过程画板, "解答过程画板"}, {program::时钟1, "时钟1"}, {program::标签2, "标签2"},
      {program::标签3, "标签3"}, {program::备选关键词列表框, "备选关键词列表框"},
      {program::选中关键词列表框, "选中关键词列表框"}, {program::加入关键词, "加入关键词"},
      {program::移除关键词, "移除关键词"}, {program::全选, "全选"}, {program::全取消, "全取消"},
      {program::服务器文本, "服务器文本"}, {program::升级题库按钮, "升级题库按钮"},
      {program::升级主程序按钮, "升级主程序按钮"}, {program::解压器, "解压器"}, {program::升级过程, "升级过程"},
      {program::超级链接框1, "超级链接框1"}, {program::升级历史, "升级历史"},
  };
  EXPECT_EQ(named.size(), ExpectedControls().size());
  for (const auto& [id, name] : named) {
    const UnitDefinition* unit = Form().FindByName(name);
    ASSERT_NE(unit, nullptr) << Hex(id);
    EXPECT_EQ(unit->id, id) << Hex(id);
  }
  EXPECT_EQ(program::FeedbackLink, 0x1601010Bu);
}

TEST(MainWindowForm, TabControlPages) {
  const UnitDefinition* tab = Form().Find(kTab);
  ASSERT_NE(tab, nullptr);
  const std::vector<std::string> captions = {"答题", "组题", "解答过程", "在线升级与反馈", "关于本软件"};
  ASSERT_EQ(tab->pages.size(), captions.size());
  for (size_t i = 0; i < captions.size(); ++i) {
    ASSERT_NE(tab->pages[i], nullptr);
    EXPECT_EQ(tab->pages[i], captions[i]) << "page " << i;
  }
  EXPECT_STREQ(tab->pages[0], "\xB4\xF0\xCC\xE2");  // 答题
  EXPECT_EQ(program::kPageAnswer, 0);
  EXPECT_EQ(program::kPageCompose, 1);
  EXPECT_EQ(program::kPageSolution, 2);
  EXPECT_EQ(program::kPageUpgradeAndFeedback, 3);
  EXPECT_EQ(program::kPageAbout, 4);
}

TEST(MainWindowForm, HyperlinkBoxOpensTheFeedbackPage) {
  const char* const url = "http://" TESSALY_FEEDBACK_HOST "/script/user/list.asp?userid=" TESSALY_FEEDBACK_USERID;
  EXPECT_STREQ(program::kFeedbackUrl, url);
  const UnitDefinition* link = Form().Find(0x1601010B);
  ASSERT_NE(link, nullptr);
  ASSERT_NE(link->target, nullptr);
  EXPECT_STREQ(link->target, url);
  // No other unit carries a target.
  for (const UnitDefinition& unit : Form().controls) {
    if (&unit != link) {
      EXPECT_EQ(unit.target, nullptr) << Hex(unit.id);
    }
  }
}

// The lines of a text whose lines end in CR LF.
std::vector<std::string> SplitLines(const char* text) {
  std::vector<std::string> lines;
  std::string_view rest(text);
  for (;;) {
    const size_t end = rest.find("\r\n");
    lines.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 2);
  }
  return lines;
}

TEST(MainWindowForm, StaticTexts) {
  for (uint32_t id : {0x16010089u, 0x1601008Cu, 0x1601011Eu}) {
    const UnitDefinition* unit = Form().Find(id);
    ASSERT_NE(unit, nullptr) << Hex(id);
    ASSERT_NE(unit->text, nullptr) << Hex(id);
    EXPECT_GT(std::strlen(unit->text), 10u) << Hex(id);
  }
  // 标签2 opens with the product's name and the version the caption shows.
  EXPECT_EQ(SplitLines(Form().Find(0x16010089)->text).front(), "《Tessaly》之填空题练习 " TESSALY_VERSION);
  // 标签3 holds exactly three notes, one a line, numbered 1 to 3.
  const std::vector<std::string> notes = SplitLines(Form().Find(0x1601008C)->text);
  ASSERT_EQ(notes.size(), 3u);
  for (size_t i = 0; i < notes.size(); ++i) {
    const std::string number = std::to_string(i + 1) + ". ";
    EXPECT_EQ(notes[i].substr(0, number.size()), number) << "note " << i + 1;
    EXPECT_GT(notes[i].size(), number.size()) << "note " << i + 1;
  }
}

}  // namespace
