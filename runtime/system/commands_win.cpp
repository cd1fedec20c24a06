#include <windows.h>

#include <string>

#include "runtime/data/encoding.h"
#include "runtime/system/commands.h"

namespace rt {
namespace {

// Handles messages sent by other threads and processes, and paints, without
// taking input off the queue.
void ServiceWithoutInput() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_SENDMESSAGE | PM_QS_PAINT)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    DispatchMessageW(&msg);
  }
}

}  // namespace

bool RunCommandLine(std::string_view commandLine, bool wait) {
  std::wstring command = GbkToWide(commandLine);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  CloseHandle(pi.hThread);
  if (wait) {
    for (;;) {
      const DWORD r = MsgWaitForMultipleObjectsEx(1, &pi.hProcess, INFINITE, QS_SENDMESSAGE | QS_PAINT, 0);
      if (r != WAIT_OBJECT_0 + 1) break;  // the program ended (or the wait failed)
      ServiceWithoutInput();
    }
  }
  CloseHandle(pi.hProcess);
  return true;
}

}  // namespace rt
