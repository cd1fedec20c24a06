#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>

#include "runtime/program.h"
#include "runtime/window_state.h"

namespace rt {
namespace {

std::atomic<RoutineFunction> g_exitRoutine{nullptr};

DWORD WINAPI ThreadStart(void* parameter) {
  reinterpret_cast<RoutineFunction>(parameter)();
  return 0;
}

}  // namespace

void RunProgram(const ProgramDescription& program) {
  detail::State().program = &program;
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  ULONG_PTR gdiplusToken = 0;
  Gdiplus::GdiplusStartupInput gdiplusInput;
  Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
  program.entry();
  EndProcess(0);
}

void RegisterExitRoutine(RoutineFunction routine) { g_exitRoutine = routine; }

void EndProcess(int exitCode) {
  if (RoutineFunction routine = g_exitRoutine.exchange(nullptr)) routine();
  ExitProcess(static_cast<UINT>(exitCode));
}

uint32_t TickCount() { return GetTickCount(); }

uintptr_t StartThread(RoutineFunction routine) {
  HANDLE h = CreateThread(nullptr, 0, ThreadStart, reinterpret_cast<void*>(routine), 0, nullptr);
  return reinterpret_cast<uintptr_t>(h);
}

}  // namespace rt
