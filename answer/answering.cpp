#include "answer/answering.h"

#include <string>

#include "image/control_ids.h"
#include "image/global_slots.h"
#include "runtime/commands.h"
#include "runtime/controls.h"
#include "runtime/files.h"

using namespace image;

namespace {
constexpr const char* kNotInstalled = "对不起，您没有安装MathType，请先安装才能答题";
}  // namespace

void StartAnswering() {
  if (Globals().MathTypeCommand.empty()) {
    rt::SetTimerPeriod(时钟1, 0);
    rt::SetCaption(状态栏, kNotInstalled);
    return;
  }
  const std::string commandLine = std::string(Globals().MathTypeCommand.view()) + kAnswerFileArgument;
  if (!rt::RunCommandLine(commandLine, true)) {
    rt::SetTimerPeriod(时钟1, 0);
    rt::SetCaption(状态栏, kNotInstalled);
    return;
  }
  rt::SetTimerPeriod(时钟1, 1000);
  rt::SetCaption(状态栏, "您正在答题，请在MathType中答题结束后保存退出");
}

void ReloadAnswerPicture() { rt::SetPicture(答题画板, rt::ReadWholeFile(kAnswerFileToReload)); }
