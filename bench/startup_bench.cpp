// Start-up benchmark: how long from launch until the main window is visible
// with the first paper shown, for the program started through its launcher
// (tessaly.exe) in each program folder given, beside a minimal window program
// (a tab control and a list box) started the same way in the same run. The
// starts take turns, so that whatever else the machine does falls on all of
// them alike.
//
//   startup_bench ROUNDS MINIMAL_EXE LABEL=PROGRAM_DIR [LABEL=PROGRAM_DIR ...]
//
// The clock stops once what the window shows is painted: the program's
// pictures included, which it decodes when they are first painted.
//
// Prints min/median/max of each and the ratio of the program's median to the
// minimal window's beside the goal (at most 1.3 times). Exits with 1 when a
// start fails.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "program/control_ids.h"
#include "tools/test_programs/driver/driver.h"

namespace {

constexpr double kGoal = 1.3;
constexpr DWORD kStartLimitMs = 30000;
constexpr DWORD kSettleMs = 200;
constexpr wchar_t kProgramCaption[] = L"\x300ATessaly\x300B\x4E4B\x586B\x7A7A\x9898\x7EC3\x4E60" TESSALY_VERSION;
constexpr wchar_t kMinimalCaption[] = L"Tessaly minimal window";
constexpr wchar_t kInfoStart[] = L"\x672C\x9898\x96BE\x5EA6\x7CFB\x6570";  // 本题难度系数: a question is on show

double Milliseconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// The process's visible top-level window with this caption, or null.
HWND VisibleWindow(DWORD processId, const wchar_t* caption) {
  for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, caption); w; w = FindWindowExW(nullptr, w, nullptr, caption)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == processId && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

// A control's text as the window manager keeps it. For another process's
// window GetWindowText asks no message of that process: the program is not
// asked for anything the minimal window is not asked for (the clock stops
// once both are painted, see TimeStart).
std::wstring TextNow(HWND control) {
  wchar_t text[256] = {};
  const int got = GetWindowTextW(control, text, 256);
  return std::wstring(text, static_cast<size_t>(std::max(got, 0)));
}

// Starts the program and waits until `ready` says its window is up; the time
// taken in milliseconds, or a negative value when it did not come up. The
// program is closed again and waited for.
template <typename Ready>
double TimeStart(const std::wstring& exe, const std::wstring& directory, const wchar_t* caption, Ready ready) {
  driver::Process process;
  const double start = Milliseconds();
  if (!driver::Start(exe, directory, process)) {
    std::fprintf(stderr, "startup_bench: cannot start %ls (error %lu)\n", exe.c_str(), GetLastError());
    return -1;
  }
  HWND main = nullptr;
  double took = -1;
  while (Milliseconds() - start < kStartLimitMs) {
    if (!main) main = VisibleWindow(process.id, caption);
    if (main && ready(main)) {
      // Whatever is still to be painted (the pictures on show) is painted
      // before the clock stops.
      RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
      took = Milliseconds() - start;
      break;
    }
    if (WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process.handle, &code);
      std::fprintf(stderr, "startup_bench: %ls ended (exit code %lu) before its window was ready\n", exe.c_str(), code);
      break;
    }
    Sleep(1);
  }
  if (main) PostMessageW(main, WM_CLOSE, 0, 0);
  DWORD code = 0;
  if (!driver::WaitForExit(process, 10000, code)) driver::Kill(process);
  if (process.handle) CloseHandle(process.handle);
  // What an ended program leaves the system to do (its windows taken off the
  // desktop, its process cleaned up) is done before the next start begins.
  Sleep(kSettleMs);
  return took;
}

struct Series {
  std::string label;
  std::wstring directory;
  std::vector<double> times;

  double Median() const {
    std::vector<double> t = times;
    std::sort(t.begin(), t.end());
    const size_t n = t.size();
    return n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
  }
  void Print() const {
    std::printf("  %-28s min %6.1f ms  median %6.1f ms  max %6.1f ms\n", label.c_str(),
                *std::min_element(times.begin(), times.end()), Median(), *std::max_element(times.begin(), times.end()));
  }
};

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
  return out;
}

std::wstring FolderOf(const std::wstring& file) { return file.substr(0, file.find_last_of(L"\\/") + 1); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench ROUNDS MINIMAL_EXE LABEL=PROGRAM_DIR [LABEL=PROGRAM_DIR ...]\n");
    return 2;
  }
  const int rounds = std::max(1, static_cast<int>(wcstol(argv[1], nullptr, 10)));
  const std::wstring minimalExe = argv[2];
  Series minimal{"minimal window", FolderOf(minimalExe), {}};
  std::vector<Series> programs;
  for (int i = 3; i < argc; ++i) {
    const std::wstring arg = argv[i];
    const size_t eq = arg.find(L'=');
    if (eq == std::wstring::npos) return 2;
    programs.push_back({"tessaly.exe, " + Narrow(arg.substr(0, eq)), arg.substr(eq + 1), {}});
  }

  const auto shown = [](HWND) { return true; };
  const auto paperShown = [](HWND main) {
    return TextNow(driver::Control(main, program::题目信息)).starts_with(kInfoStart);
  };
  // One start of each first, untimed: the files are then in the cache for all alike.
  for (int round = -1; round < rounds; ++round) {
    const double floor = TimeStart(minimalExe, minimal.directory, kMinimalCaption, shown);
    if (floor < 0) {
      std::fprintf(stderr, "startup_bench: the minimal window did not come up\n");
      return 1;
    }
    if (round >= 0) minimal.times.push_back(floor);
    for (Series& series : programs) {
      const double took = TimeStart(series.directory + L"\\tessaly.exe", series.directory, kProgramCaption, paperShown);
      if (took < 0) {
        std::fprintf(stderr, "startup_bench: %s did not show its first paper\n", series.label.c_str());
        return 1;
      }
      if (round >= 0) series.times.push_back(took);
    }
  }

  std::printf("start-up, launch until the main window is visible with its first paper (%d starts each):\n", rounds);
  minimal.Print();
  for (const Series& series : programs) {
    series.Print();
    const double ratio = series.Median() / minimal.Median();
    std::printf("  %-28s %.3fx the minimal window's median (goal: at most %.1fx) %s\n", "", ratio, kGoal,
                ratio <= kGoal ? "met" : "NOT MET");
  }
  std::fflush(stdout);
  return 0;
}
