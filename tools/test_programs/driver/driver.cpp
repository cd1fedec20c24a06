#include "tools/test_programs/driver/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace driver {
namespace {

// The drawing board's picture query message (WM_APP + 0x101).
constexpr UINT kPictureQueryMessage = 0x8000 + 0x101;

struct FindContext {
  DWORD processId;
  const std::wstring* caption;  // null: any #32770 window
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM lParam) {
  auto* ctx = reinterpret_cast<FindContext*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != ctx->processId) return TRUE;
  if (ctx->caption) {
    if (IsWindowVisible(hwnd) && Text(hwnd) == *ctx->caption) ctx->found.push_back(hwnd);
  } else {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) ctx->found.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

bool Start(const std::wstring& exe, const std::wstring& directory, Process& out) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  // Wine now and then fails to bring up a new process on a busy machine (the
  // loader cannot reserve its address range); such a start is tried again
  // and reported, a program that truly cannot start still fails.
  for (int attempt = 1;; ++attempt) {
    if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &si,
                       &pi)) {
      break;
    }
    const DWORD error = GetLastError();
    std::fwprintf(stderr, L"driver: starting %ls failed (error %lu, attempt %d)\n", exe.c_str(), error, attempt);
    if (attempt == 3 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_BAD_EXE_FORMAT) {
      return false;
    }
    Sleep(500);
  }
  CloseHandle(pi.hThread);
  out.handle = pi.hProcess;
  out.id = pi.dwProcessId;
  return true;
}

bool WaitForExit(const Process& process, DWORD timeoutMs, DWORD& exitCode) {
  if (WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process.handle, &exitCode);
  return true;
}

void Kill(Process& process) {
  if (!process.handle) return;
  TerminateProcess(process.handle, 1);
  WaitForSingleObject(process.handle, 5000);
  CloseHandle(process.handle);
  process.handle = nullptr;
}

HWND WaitForWindow(DWORD processId, const std::wstring& caption, DWORD timeoutMs) {
  HWND result = nullptr;
  WaitUntil(
      [&] {
        FindContext ctx{processId, &caption, {}};
        EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&ctx));
        if (!ctx.found.empty()) result = ctx.found.front();
        return result != nullptr;
      },
      timeoutMs);
  return result;
}

HWND Control(HWND main, uint32_t identifier) {
  // The program makes the controls of the pages not on show just after its
  // window is painted: one asked for at once may be a moment away.
  HWND control = nullptr;
  WaitUntil([&] { return (control = GetDlgItem(main, static_cast<int>(identifier & 0xFFFF))) || !IsWindow(main); },
            2000);
  return control;
}

std::wstring Text(HWND hwnd) {
  const LRESULT n = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

RECT PlaceInParent(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool Click(HWND control) {
  if (!IsWindowVisible(control)) return false;
  SendMessageW(control, BM_CLICK, 0, 0);
  return true;
}

bool PostClick(HWND control) {
  if (!IsWindowVisible(control)) return false;
  PostMessageW(control, BM_CLICK, 0, 0);
  return true;
}

void DoubleClick(HWND control) {
  const LPARAM at = MAKELPARAM(5, 5);
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(control, WM_LBUTTONUP, 0, at);
  SendMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageW(control, WM_LBUTTONUP, 0, at);
}

int ListCount(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0)); }

int ListSelection(HWND list) {
  const LRESULT i = SendMessageW(list, LB_GETCURSEL, 0, 0);
  return i == LB_ERR ? -1 : static_cast<int>(i);
}

std::wstring ListItem(HWND list, int index) {
  const LRESULT n = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) return L"<none>";
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
  return text;
}

std::vector<std::wstring> ListItems(HWND list) {
  std::vector<std::wstring> items;
  for (int i = 0, n = ListCount(list); i < n; ++i) items.push_back(ListItem(list, i));
  return items;
}

void ListSelect(HWND list, int index) { SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ListDoubleClick(HWND list, int index) {
  ListSelect(list, index);
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

int SelectedPage(HWND tab) { return static_cast<int>(SendMessageW(tab, TCM_GETCURSEL, 0, 0)); }

void SwitchPage(HWND tab, int page) {
  // A cross-process WM_NOTIFY is dropped; TCM_SETCURFOCUS sends TCN_SELCHANGE itself.
  SendMessageW(tab, TCM_SETCURFOCUS, static_cast<WPARAM>(page), 0);
}

std::vector<std::wstring> PageCaptions(HWND tab) {
  std::vector<std::wstring> captions;
  DWORD pid = 0;
  GetWindowThreadProcessId(tab, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return captions;
  // The tab control writes the caption into a buffer in its own process.
  constexpr size_t kChars = 256;
  auto* remote = static_cast<uint8_t*>(
      VirtualAllocEx(process, nullptr, sizeof(TCITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TCITEMW));
    item.cchTextMax = kChars;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
    wchar_t buffer[kChars] = {};
    ReadProcessMemory(process, remote + sizeof(TCITEMW), buffer, sizeof buffer - sizeof(wchar_t), nullptr);
    captions.emplace_back(buffer);
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  return captions;
}

std::vector<HWND> MessageBoxes(DWORD processId) {
  FindContext ctx{processId, nullptr, {}};
  EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        const std::vector<HWND> boxes = MessageBoxes(processId);
        if (!boxes.empty()) box = boxes.front();
        return box != nullptr;
      },
      timeoutMs);
  return box;
}

std::wstring MessageBoxText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

void DismissMessageBox(HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }

PictureInfo Picture(HWND board) {
  const auto answer = static_cast<uint64_t>(SendMessageW(board, kPictureQueryMessage, 0, 0));
  return PictureInfo{static_cast<uint32_t>(answer >> 32), static_cast<uint32_t>(answer & 0xFFFFFFFFu)};
}

std::vector<uint32_t> ScreenPixels(HWND control, int& width) {
  RECT client{};
  GetClientRect(control, &client);
  POINT corner{0, 0};
  ClientToScreen(control, &corner);
  width = client.right;
  const int height = client.bottom;
  std::vector<uint32_t> pixels;
  if (width <= 0 || height <= 0) return pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  if (HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0)) {
    const HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, screen, corner.x, corner.y, SRCCOPY);
    const auto* first = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) pixels.push_back(first[i] & 0xFFFFFF);
    SelectObject(memory, old);
    DeleteObject(copy);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

uint32_t ScreenColour(COLORREF colour) {
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

int PixelsOfColour(HWND control, COLORREF colour) {
  int width = 0;
  const std::vector<uint32_t> pixels = ScreenPixels(control, width);
  return static_cast<int>(std::count(pixels.begin(), pixels.end(), ScreenColour(colour)));
}

}  // namespace driver
