// Command-line front of the window driver, for scripts (screenshots, demos):
//   driver_cli wait [seconds]   wait until the main window is on screen
//   driver_cli page N           choose page N of the tab control
//   driver_cli close            close the main window
//   driver_cli click ID         press a button (ID: the control's identifier or
//                               Win32 ID, decimal or 0x...), without waiting
//   driver_cli text ID          print a control's text (UTF-8)
//   driver_cli class ID         print a control's window class name
//   driver_cli picture ID       print the byte length and CRC-32 (hex) of the
//                               picture a drawing board shows
//   driver_cli messagebox [seconds]
//                               wait for a message box of any program (the
//                               main window need not exist), print its text
//                               (UTF-8) and dismiss it with OK
// Exit code 0 on success, 1 when the window (or message box) is not found.
#include <cwchar>
#include <string>

#include "tools/test_programs/driver/driver.h"

namespace {
// 《Tessaly》之填空题练习 and the program's version (TESSALY_VERSION).
constexpr wchar_t kCaption[] = L"\x300ATessaly\x300B\x4E4B\x586B\x7A7A\x9898\x7EC3\x4E60" TESSALY_VERSION;
constexpr uint32_t kTabControl = 0x16010002;

void PrintUtf8(const std::wstring& text) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  DWORD written;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

// The first visible dialog box (#32770) of any process, or null.
HWND VisibleDialogBox() {
  HWND found = nullptr;
  EnumWindows(
      [](HWND hwnd, LPARAM lParam) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (!IsWindowVisible(hwnd) || std::wcscmp(name, L"#32770") != 0) return TRUE;
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindMain(DWORD timeoutMs) {
  HWND main = nullptr;
  driver::WaitUntil(
      [&] {
        main = FindWindowW(nullptr, kCaption);
        return main && IsWindowVisible(main);
      },
      timeoutMs);
  return main && IsWindowVisible(main) ? main : nullptr;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 30;
  if (command == L"wait") return FindMain(seconds * 1000) ? 0 : 1;
  if (command == L"messagebox") {
    // A message box may come from a program whose main window never opened
    // (the launcher's own error), so any visible dialog box will do.
    HWND box = nullptr;
    driver::WaitUntil([&] { return (box = VisibleDialogBox()) != nullptr; }, seconds * 1000);
    if (!box) return 1;
    PrintUtf8(driver::MessageBoxText(box));
    driver::DismissMessageBox(box);
    return 0;
  }
  HWND main = FindMain(5000);
  if (!main) return 1;
  if (command == L"page" && argc > 2) {
    driver::SwitchPage(driver::Control(main, kTabControl), static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    return 0;
  }
  if ((command == L"click" || command == L"text" || command == L"class" || command == L"picture") && argc > 2) {
    HWND control = driver::Control(main, static_cast<uint32_t>(std::wcstoul(argv[2], nullptr, 0)));
    if (!control) return 1;
    if (command == L"click") return driver::PostClick(control) ? 0 : 1;
    if (command == L"picture") {
      const driver::PictureInfo info = driver::Picture(control);
      wchar_t line[64];
      std::swprintf(line, 64, L"%lu %08lx", static_cast<unsigned long>(info.length),
                    static_cast<unsigned long>(info.crc));
      PrintUtf8(line);
      return 0;
    }
    if (command == L"class") {
      wchar_t name[256] = {};
      GetClassNameW(control, name, 256);
      PrintUtf8(name);
      return 0;
    }
    PrintUtf8(driver::Text(control));
    return 0;
  }
  if (command == L"close") {
    PostMessageW(main, WM_CLOSE, 0, 0);
    return 0;
  }
  return 2;
}
