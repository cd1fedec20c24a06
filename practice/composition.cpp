#include "practice/composition.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "program/control_ids.h"
#include "program/file_names.h"
#include "program/global_slots.h"
#include "practice/matching.h"
#include "practice/presentation.h"
#include "practice/question_bank.h"
#include "runtime/window/controls.h"
#include "runtime/data/database.h"
#include "runtime/data/random.h"
#include "runtime/data/texts.h"
#include "update/bank_upgrade.h"

using namespace program;

namespace {

// The selected keywords, read from 选中关键词列表框 when a walk starts. Nothing
// can change the list while the walk runs (no window events are handled), so
// reading it once gives the same result as reading it for every record.
std::vector<rt::Text> g_keywords;
// Records of the current walk whose unit could not be read as text.
int g_unreadableUnits = 0;

void ReadSelectedKeywords() {
  g_keywords.clear();
  const int count = rt::ListCount(选中关键词列表框);
  for (int i = 0; i < count; ++i) g_keywords.push_back(rt::ListItemText(选中关键词列表框, i));
}

// Writes the status line of one record of the walk: "题库中第", the record
// number, the verdict. Written for every record of the bank, so it is put
// together on the stack rather than in texts made and freed each time.
void ShowRecordStatus(int32_t record, std::string_view verdict) {
  constexpr std::string_view kStart = "题库中第";
  char text[kStart.size() + 11 + 32];  // 11: "-2147483648"; 32: longer than any verdict
  char* at = std::copy(kStart.begin(), kStart.end(), text);
  at = std::to_chars(at, text + kStart.size() + 11, record).ptr;
  verdict = verdict.substr(0, 32);
  at = std::copy(verdict.begin(), verdict.end(), at);
  rt::SetCaption(状态栏, std::string_view(text, static_cast<size_t>(at - text)));
}

}  // namespace

bool RecordMatchesKeywords() {
  const rt::FieldValue unit = rt::ReadField(kFieldUnit);
  if (!unit.IsText()) {
    ++g_unreadableUnits;
    return false;
  }
  return UnitMatchesKeywords(unit.text.view(), g_keywords);
}

void ComposePaper() {
  if (rt::ListCount(选中关键词列表框) == 0) {
    rt::SetCaption(状态栏, "对不起，您没有选择任何组卷关键词，无法进行组卷，组卷失败！");
    return;
  }
  rt::SetCaption(状态栏, "正在组卷中，请稍候……");
  rt::CloseDatabase();
  if (!rt::OpenDatabase(kQuestionBankName)) {
    SelfRepair();
    rt::OpenDatabase(kQuestionBankName);
  }
  Globals().PracticePaper.MakeEmpty();
  ReadSelectedKeywords();
  g_unreadableUnits = 0;
  const int32_t count = rt::RecordCount();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t record = rt::CurrentRecordNumber();
    if (RecordMatchesKeywords()) {
      ShowRecordStatus(record, "题符合条件");
      Globals().PracticePaper.Append(record);
    } else {
      ShowRecordStatus(record, "题不符合条件");
    }
    rt::SkipRecords(1);
  }
  rt::SetCaption(状态栏, "组卷成功，正在打乱试题顺序……");
  rt::Reseed();
  ShufflePaper(Globals().PracticePaper, rt::RandomInRange);
  rt::SetCaption(状态栏, "组卷完成，您可以开始答题了！");
  Globals().CurrentQuestion = 1;
  ShowQuestion();
  if (g_unreadableUnits > 0) {
    // Say so after the position text, which ShowQuestion has just written.
    std::string text(rt::GetCaption(状态栏).view());
    text += "（题库中有";
    text += rt::IntegerToText(g_unreadableUnits).view();
    text += "题的“单元”不是文字，未能参加组卷）";
    rt::SetCaption(状态栏, text);
  }
}
