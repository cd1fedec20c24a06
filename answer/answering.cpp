#include "answer/answering.h"

#include <string>

#include "answer/answer_file.h"
#include "program/constant_names.h"
#include "program/control_ids.h"
#include "program/global_slots.h"
#include "runtime/files/file_access.h"
#include "runtime/files/places.h"
#include "runtime/program.h"
#include "runtime/system/commands.h"
#include "runtime/window/controls.h"

using namespace program;

namespace {
constexpr const char* kNotInstalled = "对不起，您没有安装MathType，请先安装才能答题";

// The answer file of this run (window thread only).
AnswerFile g_answerFile;
}  // namespace

void WriteBlankAnswer() {
  const rt::ByteSet blank = rt::ByteSetConstant(program::kAnswerTemplateConstant);
  // A file that cannot be written at all is not an error here: the question
  // is shown all the same.
  g_answerFile.WriteBlank([&](std::string_view name) { return rt::WriteWholeFile(name, blank); },
                          [] { return std::string(rt::PerUserFile("ans.gif").view()); });
}

void StartAnswering() {
  if (Globals().MathTypeCommand.empty()) {
    rt::SetTimerPeriod(时钟1, 0);
    rt::SetCaption(状态栏, kNotInstalled);
    return;
  }
  const std::string commandLine = std::string(Globals().MathTypeCommand.view()) + g_answerFile.CommandLineArgument();
  if (!rt::RunCommandLine(commandLine, true)) {
    rt::SetTimerPeriod(时钟1, 0);
    rt::SetCaption(状态栏, kNotInstalled);
    return;
  }
  rt::SetTimerPeriod(时钟1, 1000);
  rt::SetCaption(状态栏, "您正在答题，请在MathType中答题结束后保存退出");
}

void ReloadAnswerPicture() { rt::SetPicture(答题画板, rt::ReadWholeFile(g_answerFile.Name())); }
