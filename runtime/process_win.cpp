#include <windows.h>
#include <commctrl.h>
#include <imm.h>

#include <atomic>

#include "runtime/files/file_system.h"
#include "runtime/files/places.h"
#include "runtime/program.h"
#include "runtime/window/window_state.h"

namespace rt {
namespace {

std::atomic<RoutineFunction> g_exitRoutine{nullptr};

DWORD WINAPI ThreadStart(void* parameter) {
  detail::HoldUntilWindowIsUp();
  reinterpret_cast<RoutineFunction>(parameter)();
  return 0;
}

}  // namespace

void RunProgram(const ProgramDescription& program) {
  detail::State().program = &program;
  // The program names its own files by bare names ("关键词.txt", "math.tmp",
  // the bank): they are the program folder's whatever folder the program was
  // started from (a shortcut's "Start in", a command prompt, a school's
  // launcher menu), and nothing is written into that other folder.
  SetCurrentDirectoryW(NativePath(ProgramFile("")).c_str());
  // The program takes no typed text (answers are written in the equation
  // editor, a program of its own): no input method window in this process.
  // Under Wine making it cost some 130 server requests at the first show.
  ImmDisableIME(static_cast<DWORD>(-1));
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  program.entry();
  EndProcess(0);
}

void RegisterExitRoutine(RoutineFunction routine) { g_exitRoutine = routine; }

void EndProcess(int exitCode) {
  if (RoutineFunction routine = g_exitRoutine.exchange(nullptr)) routine();
  ExitProcess(static_cast<UINT>(exitCode));
}

ByteSet ByteSetConstant(std::string_view name) {
  if (const ProgramDescription* program = detail::State().program) {
    for (const NamedBytes& constant : program->constants) {
      if (constant.name == name) return ByteSet(constant.bytes.data(), constant.bytes.size());
    }
  }
  return ByteSet();
}

uint32_t TickCount() { return GetTickCount(); }

uintptr_t StartThread(RoutineFunction routine) {
  HANDLE h = CreateThread(nullptr, 0, ThreadStart, reinterpret_cast<void*>(routine), 0, nullptr);
  return reinterpret_cast<uintptr_t>(h);
}

bool WaitForHandleOrMessage(uintptr_t handle, uint32_t timeoutMs) {
  detail::LetHeldThreadsGo();  // the handle may be such a thread's
  HANDLE h = reinterpret_cast<HANDLE>(handle);
  // A quit message waiting for the message loop counts as new posted input each
  // time it is put back, so it would end every wait at once.
  MSG quit;
  const bool quitWaiting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
  const DWORD wake = quitWaiting ? QS_SENDMESSAGE : QS_ALLINPUT;
  return MsgWaitForMultipleObjectsEx(1, &h, timeoutMs, wake, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}

bool WaitForHandle(uintptr_t handle, uint32_t timeoutMs) {
  detail::LetHeldThreadsGo();
  return WaitForSingleObject(reinterpret_cast<HANDLE>(handle), timeoutMs) == WAIT_OBJECT_0;
}

void ReleaseHandle(uintptr_t handle) {
  if (handle) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace rt
