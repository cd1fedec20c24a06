#include "practice/presentation.h"

#include <string>
#include <vector>

#include "answer/answering.h"
#include "program/control_ids.h"
#include "program/global_slots.h"
#include "program/constant_names.h"
#include "practice/difficulty.h"
#include "practice/question_bank.h"
#include "runtime/window/controls.h"
#include "runtime/data/database.h"
#include "runtime/files/file_access.h"
#include "runtime/program.h"
#include "runtime/data/texts.h"

using namespace program;

namespace {

constexpr const char* kNoQuestions = "试卷中没有题目，请在“组题”页换一些关键词重新组题";

bool PaperHasQuestionOnShow() {
  const auto n = static_cast<int32_t>(Globals().PracticePaper.size());
  return Globals().CurrentQuestion >= 1 && Globals().CurrentQuestion <= n;
}

// Puts a picture field of the current record on a board. A field that is not
// a picture leaves the board empty and is named in `problems`.
void ShowPictureField(uint32_t board, const char* field, std::vector<const char*>& problems) {
  rt::FieldValue value = rt::ReadField(field);
  if (!value.IsBytes()) {
    problems.push_back(field);
    rt::SetPicture(board, rt::ByteSet());
    return;
  }
  rt::SetPicture(board, value.bytes);
}

double ReadCount(const char* field, std::vector<const char*>& problems) {
  const rt::FieldValue value = rt::ReadField(field);
  if (!value.IsNumber()) {
    problems.push_back(field);
    return 0;
  }
  return value.number;
}

std::string ProblemNote(const std::vector<const char*>& problems) {
  if (problems.empty()) return std::string();
  std::string note = "（本题的";
  for (size_t i = 0; i < problems.size(); ++i) {
    if (i > 0) note += "、";
    note += "“";
    note += problems[i];
    note += "”";
  }
  return note + "无法读取）";
}

void ShowPlaceholders() {
  rt::SetPicture(答题画板, rt::ByteSetConstant(program::kAnswerPlaceholderConstant));
  rt::SetPicture(参考答案画板, rt::ByteSetConstant(program::kReferenceAnswerPlaceholderConstant));
}

// An empty paper: nothing to show, and a status text that says why.
void ShowNoQuestion() {
  Globals().CurrentQuestion = 0;
  rt::SetPicture(题目画板, rt::ByteSet());
  rt::SetPicture(解答过程画板, rt::ByteSet());
  ShowPlaceholders();
  rt::SetCaption(题目信息, "");
  rt::SetCaption(状态栏, kNoQuestions);
}

}  // namespace

void ShowQuestion() {
  rt::SetTimerPeriod(时钟1, 0);
  WriteBlankAnswer();
  if (!PaperHasQuestionOnShow()) {
    ShowNoQuestion();
    return;
  }
  rt::GoToRecord(Globals().PracticePaper.at1(static_cast<size_t>(Globals().CurrentQuestion)));
  std::vector<const char*> problems;
  ShowPictureField(题目画板, kFieldQuestion, problems);
  ShowPlaceholders();
  ShowPictureField(解答过程画板, kFieldSolution, problems);
  const double correct = ReadCount(kFieldCorrect, problems);
  const double wrong = ReadCount(kFieldWrong, problems);
  const rt::FieldValue unit = rt::ReadField(kFieldUnit);
  if (!unit.IsText()) problems.push_back(kFieldUnit);

  std::string info = "本题难度系数：";
  info += DifficultyText(correct, wrong);
  info += "\r\n考核知识点：";
  info += unit.text.view();
  rt::SetCaption(题目信息, info);

  std::string status = "试卷一共有";
  status += rt::IntegerToText(static_cast<int64_t>(Globals().PracticePaper.size())).view();
  status += "题，现在练习第";
  status += rt::IntegerToText(Globals().CurrentQuestion).view();
  status += "题";
  rt::SetCaption(状态栏, status + ProblemNote(problems));
}

void NextQuestion() {
  if (Globals().PracticePaper.size() == 0) {
    rt::SetCaption(状态栏, kNoQuestions);
    return;
  }
  if (Globals().CurrentQuestion == static_cast<int32_t>(Globals().PracticePaper.size())) {
    rt::SetCaption(状态栏, "已经是最后一题，无法选择后一题");
    return;
  }
  Globals().CurrentQuestion += 1;
  ShowQuestion();
}

void PreviousQuestion() {
  if (Globals().PracticePaper.size() == 0) {
    rt::SetCaption(状态栏, kNoQuestions);
    return;
  }
  if (Globals().CurrentQuestion == 1) {
    rt::SetCaption(状态栏, "已经是第1题，无法选择前一题");
    return;
  }
  Globals().CurrentQuestion -= 1;
  ShowQuestion();
}

void ShowReferenceAnswer() {
  if (!PaperHasQuestionOnShow()) {
    rt::SetCaption(状态栏, kNoQuestions);
    return;
  }
  // The answer of the question on show: after a bank replacement the bank's
  // current record is record 1, whichever question is on show.
  rt::GoToRecord(Globals().PracticePaper.at1(static_cast<size_t>(Globals().CurrentQuestion)));
  const rt::FieldValue answer = rt::ReadField(kFieldReferenceAnswer);
  if (!answer.IsBytes()) {
    rt::SetCaption(状态栏, "对不起，本题的参考答案无法读取");
    return;
  }
  rt::SetPicture(参考答案画板, answer.bytes);
  rt::SetCaption(状态栏, "参考答案装载完毕");
}
