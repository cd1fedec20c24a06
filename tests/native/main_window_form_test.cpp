// The main window's stored definition: the rules every unit keeps (one name
// and identifier each, its place inside its parent's, bindings that name
// routines of the program), and the few texts the program and its students
// rely on.
#include "program/main_window_form.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "program/control_ids.h"
#include "program/routine_names.h"

namespace {

using rt::UnitDefinition;
using rt::UnitKind;
using K = UnitKind;

std::string Hex(uint32_t id) {
  std::ostringstream out;
  out << "unit 0x" << std::hex << id;
  return out.str();
}

const rt::FormDefinition& Form() { return program::MainWindowForm(); }

TEST(MainWindowForm, TheWindowCarriesTheProductAndItsVersion) {
  const UnitDefinition& w = Form().window;
  EXPECT_EQ(w.id, program::kMainWindowId);
  EXPECT_EQ(w.kind, K::Window);
  EXPECT_STREQ(w.text, "《Tessaly》之填空题练习" TESSALY_VERSION);
  EXPECT_STREQ(w.text, "\xA1\xB6Tessaly\xA1\xB7\xD6\xAE\xCC\xEE\xBF\xD5\xCC\xE2\xC1\xB7\xCF\xB0" TESSALY_VERSION);
  ASSERT_EQ(w.events.size(), 1u);
  EXPECT_STREQ(w.events[0].handler, "OnMainWindowCreated");
}

// Each control of the list of controls is in the window once, under its name,
// and the window holds no other: identifiers, names and Win32 control IDs
// (the low 16 bits a driver or an accessibility tool finds a control by) are
// unique.
TEST(MainWindowForm, ControlsAreTheListedOnesWithUniqueNamesAndIds) {
  std::set<uint32_t> ids{Form().window.id};
  std::set<std::string> names;
  std::set<uint16_t> controlIds;
  for (const UnitDefinition& unit : Form().controls) {
    ASSERT_NE(unit.name, nullptr) << Hex(unit.id);
    EXPECT_STREQ(unit.name, program::ControlName(unit.id)) << Hex(unit.id) << " is not the listed control";
    EXPECT_TRUE(ids.insert(unit.id).second) << Hex(unit.id) << " appears twice";
    EXPECT_TRUE(names.insert(unit.name).second) << Hex(unit.id) << " repeats a name";
    EXPECT_TRUE(controlIds.insert(program::Win32ControlId(unit.id)).second) << Hex(unit.id) << " repeats a control ID";
    EXPECT_EQ(Form().Find(unit.id), &unit);
    EXPECT_EQ(Form().FindByName(unit.name), &unit);
  }
  size_t listed = 0;
#define TESSALY_CONTROL(name, identifier) \
  ++listed;                               \
  EXPECT_NE(Form().Find(identifier), nullptr) << #name " is missing from the window";
#include "program/controls.def"
#undef TESSALY_CONTROL
  EXPECT_EQ(listed, Form().controls.size());
  EXPECT_EQ(Form().FindByName("\xD7\xB4\xCC\xAC"), nullptr) << "a prefix of 状态栏 is no name";
}

// Parents come first; a child of the tab control sits on one of its pages, a
// child of another unit on none; every unit lies inside its parent's client
// area (the tab control's children count from its top-left corner, page
// captions included) and inside the window.
TEST(MainWindowForm, EveryUnitLiesInsideItsParentOnAPageThatExists) {
  const UnitDefinition& window = Form().window;
  std::set<uint32_t> seen{window.id};
  for (const UnitDefinition& unit : Form().controls) {
    SCOPED_TRACE(Hex(unit.id));
    EXPECT_TRUE(seen.count(unit.parent)) << "its parent is not defined before it";
    const UnitDefinition* parent = Form().Find(unit.parent);
    ASSERT_NE(parent, nullptr);
    if (parent->kind == K::TabControl) {
      EXPECT_GE(unit.page, 0);
      EXPECT_LT(static_cast<size_t>(unit.page), parent->pages.size());
    } else {
      EXPECT_EQ(unit.page, -1);
    }
    // The window's client area: its outer size less a fixed frame and caption.
    const int32_t width = parent == &window ? 800 : parent->width;
    const int32_t height = parent == &window ? 576 : parent->height;
    EXPECT_GE(unit.left, 0);
    EXPECT_GE(unit.top, 0);
    EXPECT_GT(unit.width, 0);
    EXPECT_GT(unit.height, 0);
    EXPECT_LE(unit.left + unit.width, width);
    EXPECT_LE(unit.top + unit.height, height);
    seen.insert(unit.id);
  }
}

// Every event binding names a routine of the program's routine table, and
// the units that take the keyboard focus are those a student works.
TEST(MainWindowForm, BindingsNameRoutinesOfTheProgram) {
  std::vector<const UnitDefinition*> units{&Form().window};
  for (const UnitDefinition& unit : Form().controls) units.push_back(&unit);
  std::set<std::string> bound;
  for (const UnitDefinition* unit : units) {
    for (const rt::EventBinding& binding : unit->events) {
      ASSERT_NE(binding.handler, nullptr) << Hex(unit->id);
      EXPECT_TRUE(program::RoutineIndex(binding.handler).has_value()) << Hex(unit->id) << ": " << binding.handler;
      bound.insert(binding.handler);
    }
    const bool works = unit->kind == K::Button || unit->kind == K::OptionButton || unit->kind == K::ListBox ||
                       unit->kind == K::EditBox;
    if (unit != &Form().window) {
      EXPECT_EQ((unit->flags & rt::kFlagTakesFocus) != 0, works) << Hex(unit->id);
    }
  }
  for (const char* routine : program::RoutineNames()) {
    EXPECT_TRUE(bound.count(routine)) << routine << " is bound to no event";
  }
}

TEST(MainWindowForm, PagesAndTheFeedbackLink) {
  const UnitDefinition* tab = Form().Find(program::选择夹1);
  ASSERT_NE(tab, nullptr);
  const std::vector<std::string> captions = {"答题", "组题", "解答过程", "在线升级与反馈", "关于本软件"};
  ASSERT_EQ(tab->pages.size(), captions.size());
  for (size_t i = 0; i < captions.size(); ++i) EXPECT_EQ(tab->pages[i], captions[i]) << "page " << i;
  EXPECT_EQ(tab->pages[program::kPageUpgradeAndFeedback], captions[3]);
  EXPECT_EQ(tab->pages[program::kPageAbout], captions[4]);

  for (const UnitDefinition& unit : Form().controls) {
    if (unit.id == program::FeedbackLink) {
      EXPECT_EQ(unit.kind, K::HyperlinkBox);
      EXPECT_STREQ(unit.target, "") << "start-up sets it from the image's settings";
    } else {
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

TEST(MainWindowForm, TheAboutPageNamesTheVersionTheCaptionShows) {
  const UnitDefinition* about = Form().Find(program::标签2);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(SplitLines(about->text).front(), "《Tessaly》之填空题练习 " TESSALY_VERSION);
  // 标签3 holds exactly three notes, one a line, numbered 1 to 3.
  const std::vector<std::string> notes = SplitLines(Form().Find(program::标签3)->text);
  ASSERT_EQ(notes.size(), 3u);
  for (size_t i = 0; i < notes.size(); ++i) {
    EXPECT_EQ(notes[i].substr(0, 3), std::to_string(i + 1) + ". ") << "note " << i + 1;
  }
}

}  // namespace
