#include "shell/startup.h"

#include <windows.h>

#include "image/build_settings.h"
#include "image/control_ids.h"
#include "image/global_slots.h"
#include "practice/composition.h"
#include "image/declared_functions_win.h"
#include "runtime/controls.h"
#include "runtime/dialogs.h"
#include "runtime/places.h"
#include "runtime/program.h"
#include "shell/globals.h"
#include "shell/keywords.h"
#include "update/bank_upgrade.h"
#include "update/update_check.h"

using namespace image;

namespace {
constexpr const char* kInstanceEventName = "myappname";
constexpr const char* kMathTypeServerKey = "CLSID\\{0002CE03-0000-0000-C000-000000000046}\\LocalServer";
constexpr unsigned kSystemModal = 0x1000;  // MB_SYSTEMMODAL: OK button, no icon
}  // namespace

void ProgramEntry() {
  InitGlobals();
  rt::RegisterExitRoutine(ReleaseGlobals);
  rt::CreateStartWindow();
  rt::RunMessageLoop();
  rt::EndProcess(0);
}

int IsAlreadyRunning() {
  if (image::Declared().OpenEventA(EVENT_ALL_ACCESS, FALSE, kInstanceEventName) != nullptr) return 1;
  Globals().InstanceEvent = reinterpret_cast<uintptr_t>(image::Declared().CreateEventA(nullptr, FALSE, FALSE, kInstanceEventName));
  return 0;
}

void OnMainWindowCreated() {
  if (IsAlreadyRunning() == 1) {
    rt::ShowMessageBox("系统正在更新题库中，请耐心等待，无须再次启动。", kSystemModal);
    rt::EndProcess(0);
  }
  // A bank install cut short by the end of an earlier run is completed (or
  // thrown away) before anything opens the bank or the keyword file.
  FinishEarlierBankInstall();
  Globals().MathTypeCommand = rt::ReadRegistryText(rt::RegistryRoot::ClassesRoot, kMathTypeServerKey, "");
  if (Globals().MathTypeCommand.empty()) {
    rt::SetCaption(状态栏, "未安装MathType，本程序无法使用答题功能");
  }
  SelectAllKeywords();
  ComposePaper();
  CancelAllKeywords();
  rt::StartThread(CheckForUpdates);
}

void OnPageChanged() {
  if (rt::GetSelectedPage(选择夹1) != kPageUpgradeAndFeedback) return;
  rt::SetHyperlinkTarget(FeedbackLink, kFeedbackUrl);
  rt::OpenHyperlink(FeedbackLink);
}
