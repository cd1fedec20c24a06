#include "shell/startup.h"

#include <windows.h>

#include <string>

#include "program/control_ids.h"
#include "program/global_slots.h"
#include "program/program_settings.h"
#include "practice/composition.h"
#include "program/declared_functions_win.h"
#include "runtime/window/controls.h"
#include "runtime/window/dialogs.h"
#include "runtime/files/places.h"
#include "runtime/program.h"
#include "shell/globals.h"
#include "shell/keywords.h"
#include "update/bank_upgrade.h"
#include "update/update_check.h"

using namespace program;

namespace {
constexpr const char* kInstanceEventName = "myappname";
constexpr const char* kMathTypeClassKey = "CLSID\\{0002CE03-0000-0000-C000-000000000046}\\";

// The command line of the installed equation editor: the default value of its
// class's LocalServer key, else of its LocalServer32 key; each read in the
// program's own registry view, then in the other one. On 64-bit Windows a
// 32-bit editor (the usual one) registers only in the 32-bit view, which a
// 64-bit program does not see unless it asks for it. Empty when none has it.
rt::Text FindMathTypeCommand() {
  for (const char* server : {"LocalServer", "LocalServer32"}) {
    const std::string key = std::string(kMathTypeClassKey) + server;
    for (const rt::RegistryView view : {rt::RegistryView::Own, rt::RegistryView::Other}) {
      rt::Text command = rt::ReadRegistryText(rt::RegistryRoot::ClassesRoot, key, "", view);
      if (!command.empty()) return command;
    }
  }
  return rt::Text();
}

}  // namespace

void ProgramEntry() {
  InitGlobals();
  rt::RegisterExitRoutine(ReleaseGlobals);
  rt::CreateStartWindow();
  rt::RunMessageLoop();
  rt::EndProcess(0);
}

int IsAlreadyRunning() {
  if (program::Declared().OpenEventA(EVENT_ALL_ACCESS, FALSE, kInstanceEventName) != nullptr) return 1;
  Globals().InstanceEvent =
      reinterpret_cast<uintptr_t>(program::Declared().CreateEventA(nullptr, FALSE, FALSE, kInstanceEventName));
  return 0;
}

void OnMainWindowCreated() {
  if (IsAlreadyRunning() == 1) {
    rt::ShowMessageBox("系统正在更新题库中，请耐心等待，无须再次启动。", rt::kSystemModal);
    rt::EndProcess(0);
  }
  // A bank install cut short by the end of an earlier run is completed (or
  // thrown away) before anything opens the bank or the keyword file.
  FinishEarlierBankInstall();
  Globals().MathTypeCommand = FindMathTypeCommand();
  if (Globals().MathTypeCommand.empty()) {
    rt::SetCaption(状态栏, "未安装MathType，本程序无法使用答题功能");
  }
  // The feedback link's target from the image's settings (a school may have
  // changed them in the built program).
  rt::SetHyperlinkTarget(
      FeedbackLink, FeedbackUrl(ConfiguredSetting(kFeedbackHostSetting), ConfiguredSetting(kFeedbackUserIdSetting)));
  SelectAllKeywords();
  ComposePaper();
  CancelAllKeywords();
  rt::StartThread(CheckForUpdates);
}

void OnPageChanged() {
  if (rt::GetSelectedPage(选择夹1) != kPageUpgradeAndFeedback) return;
  rt::OpenHyperlink(FeedbackLink);
}
