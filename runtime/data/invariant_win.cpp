// A failed internal check on Windows: say which, then end the process without
// running anything more of it (runtime/data/invariant.h).
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "runtime/data/invariant.h"

namespace rt {

namespace {

DWORD WINAPI ShowFailure(void* text) {
  MessageBoxW(nullptr, static_cast<const wchar_t*>(text), L"Tessaly", MB_ICONERROR | MB_SYSTEMMODAL);
  return 0;
}

}  // namespace

void InvariantBroken(const char* condition, const char* file, int line) {
  // One report: a check failing on another thread meanwhile waits for the end.
  static std::atomic<bool> reporting{false};
  if (reporting.exchange(true)) {
    for (;;) Sleep(INFINITE);
  }
  char detail[512];
  std::snprintf(detail, sizeof detail, "%s (%s:%d)", condition, file, line);
  OutputDebugStringA(detail);
  // The condition and the file name are ASCII; the rest is the message's own.
  std::wstring text = L"\x7A0B\x5E8F\x5185\x90E8\x68C0\x67E5\x672A\x901A\x8FC7\xFF1A";  // 程序内部检查未通过：
  for (const char* c = detail; *c; ++c) text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  // The box has a thread of its own, so that this thread, whose state is in
  // doubt, handles no further message of its windows while it is shown.
  if (const HANDLE shower = CreateThread(nullptr, 0, ShowFailure, text.data(), 0, nullptr)) {
    WaitForSingleObject(shower, INFINITE);
  }
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(kInvariantBrokenExitCode));
  for (;;) Sleep(INFINITE);  // TerminateProcess ends the calling thread too; never reached
}

}  // namespace rt
