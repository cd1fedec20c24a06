// The process entry: finds the runtime support library, asks it for its
// program runner and hands the runner the program image embedded in this
// executable's data. The only code that runs before the runtime is loaded,
// hence its one message in English.
#include <windows.h>

#include <cstdint>

#include "image/runner_request.h"

namespace {

constexpr DWORD kModulePathLimit = 128;    // characters asked of GetModuleFileNameA
constexpr int kScanStartFromEnd = 6;       // the backward scan for the directory starts here
constexpr DWORD kRegistryValueSize = 259;  // one less than the path buffer
constexpr char kRuntimeNextToProgram[] = "krnln.fnr";
constexpr char kRuntimeInInstallDir[] = "krnln.fne";
constexpr char kInstallKey[] = "Software\\Halvex\\Orv\\Install";
constexpr char kInstallValue[] = "Path";
constexpr char kErrorText[] = "Not found the kernel library or the kernel library is invalid!";
constexpr char kErrorCaption[] = "Error";

}  // namespace

// The program image, the whole of it, in this executable's writable data.
extern "C" const uint8_t tessaly_program_image[];

namespace {

int ReportError() {
  MessageBoxA(nullptr, kErrorText, kErrorCaption, MB_ICONERROR);
  return -1;
}

// The runtime in the install directory named in the registry, or null.
HMODULE LoadInstalledRuntime(char (&path)[MAX_PATH]) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kInstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  DWORD size = kRegistryValueSize;
  const LONG queried = RegQueryValueExA(key, kInstallValue, nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  if (queried != ERROR_SUCCESS) return nullptr;
  // A value stored without its terminating zero is ended here; the buffer
  // has room for it after the 259 bytes the query may fill.
  path[size < kRegistryValueSize ? size : kRegistryValueSize] = '\0';
  int length = lstrlenA(path);
  if (length == 0) return nullptr;  // an empty install path names no directory
  // The path, one backslash, the library's name: refused when it would not
  // fit the buffer rather than written past it.
  const bool needsBackslash = path[length - 1] != '\\';
  if (length + (needsBackslash ? 1 : 0) + lstrlenA(kRuntimeInInstallDir) >= MAX_PATH) return nullptr;
  if (needsBackslash) lstrcatA(path, "\\");
  lstrcatA(path, kRuntimeInInstallDir);
  return LoadLibraryA(path);
}

int LauncherMain() {
  char path[MAX_PATH] = {};
  HMODULE library = nullptr;

  // The executable's directory with its trailing backslash. The scan never
  // runs before the buffer's start: a path with no backslash there names no
  // directory, and the library is then looked for in the install directory.
  GetModuleFileNameA(nullptr, path, kModulePathLimit);
  path[kModulePathLimit - 1] = '\0';
  int at = lstrlenA(path) - kScanStartFromEnd;
  while (at >= 0 && path[at] != '\\') --at;
  if (at >= 0) {
    path[at + 1] = '\0';
    lstrcatA(path, kRuntimeNextToProgram);
    library = LoadLibraryA(path);
  }
  if (!library) {
    library = LoadInstalledRuntime(path);
    if (!library) return ReportError();
  }

  const auto getNewSock = reinterpret_cast<image::RunnerExportFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, image::kRunnerExport)));
  if (!getNewSock) {
    FreeLibrary(library);
    return ReportError();
  }
  const auto runner = reinterpret_cast<image::ProgramRunnerFunction>(getNewSock(image::kRunnerRequest));
  if (!runner) {
    FreeLibrary(library);
    return ReportError();
  }
  runner(tessaly_program_image);
  ExitProcess(0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { ExitProcess(static_cast<UINT>(LauncherMain())); }
