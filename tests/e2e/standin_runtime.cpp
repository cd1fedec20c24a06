// Stand-in runtime support libraries that the launcher must refuse, built
// twice from this file:
//   STANDIN_RUNNER_REFUSED defined: "GetNewSock" is exported and gives no runner (0);
//   otherwise: "GetNewSock" is not exported at all.
// Each keeps a journal, standin-runtime.log beside itself, of what happened to
// it, one line each: "loaded", "GetNewSock <request>", "freed" (released by
// FreeLibrary, not by the end of the process), so that a test can tell that
// the launcher took this library and what it did with it.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

HMODULE self = nullptr;

void Journal(const char* line) {
  wchar_t path[MAX_PATH + 32];
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  DWORD dir = n;
  while (dir > 0 && path[dir - 1] != L'\\') --dir;
  lstrcpyW(path + dir, L"standin-runtime.log");
  const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    self = instance;
    Journal("loaded");
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    Journal("freed");
  }
  return TRUE;
}

#ifdef STANDIN_RUNNER_REFUSED
extern "C" __declspec(dllexport) void* __stdcall GetNewSock(uint32_t request) {
  char line[32];
  std::snprintf(line, sizeof line, "GetNewSock %lu", static_cast<unsigned long>(request));
  Journal(line);
  return nullptr;
}
#else
// Something else is exported, so that the library is an ordinary one that
// merely lacks the runner.
extern "C" __declspec(dllexport) int __stdcall GetVersionNumber() { return 1; }
#endif
