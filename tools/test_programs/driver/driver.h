// Works the main window of a running program from another process through
// standard window messages, as a person (or an accessibility tool) would: find
// the window by caption and process, read texts, click, select, double-click,
// switch pages, read and dismiss message boxes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace driver {

struct Process {
  HANDLE handle = nullptr;
  DWORD id = 0;
};

// Starts the program with this working directory.
bool Start(const std::wstring& exe, const std::wstring& directory, Process& out);
// Waits for the process to end; false on time-out.
bool WaitForExit(const Process& process, DWORD timeoutMs, DWORD& exitCode);
void Kill(Process& process);

// The visible top-level window with this caption owned by the process.
HWND WaitForWindow(DWORD processId, const std::wstring& caption, DWORD timeoutMs);
// A control of the main window by its identifier (Win32 ID = low 16 bits),
// waiting up to 2 s for one the program has not made yet.
HWND Control(HWND main, uint32_t identifier);

std::wstring Text(HWND hwnd);
bool Visible(HWND hwnd);
// Position of a control inside the main window's client area, and its size.
RECT PlaceInParent(HWND control);

// A click, as a person can make one only on a control on screen: a control
// that is not visible is not clicked (false).
bool Click(HWND control);        // waits until the click is handled
bool PostClick(HWND control);    // returns at once (for clicks that open a message box)
void DoubleClick(HWND control);  // a mouse double-click in the control

int ListCount(HWND list);
int ListSelection(HWND list);
std::wstring ListItem(HWND list, int index);
std::vector<std::wstring> ListItems(HWND list);
void ListSelect(HWND list, int index);
// Selects the item and sends the list's double-click notification.
void ListDoubleClick(HWND list, int index);

int SelectedPage(HWND tab);
// Chooses a page as a click on its caption would (the program gets TCN_SELCHANGE).
void SwitchPage(HWND tab, int page);
std::vector<std::wstring> PageCaptions(HWND tab);

// Message boxes (#32770) of the process.
std::vector<HWND> MessageBoxes(DWORD processId);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs);
std::wstring MessageBoxText(HWND box);
void DismissMessageBox(HWND box);

// The drawing board's answer to the picture query: byte length and CRC-32.
struct PictureInfo {
  uint32_t length = 0;
  uint32_t crc = 0;
};
PictureInfo Picture(HWND board);
// The control's client area as a person sees it on screen: the colour of each
// pixel as 0x00RRGGBB, row after row of `width` pixels.
std::vector<uint32_t> ScreenPixels(HWND control, int& width);
// A colour as ScreenPixels gives it.
uint32_t ScreenColour(COLORREF colour);
// How many pixels of the control's client area show this colour on screen.
int PixelsOfColour(HWND control, COLORREF colour);

// Waits until the condition holds or the time runs out; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
}

}  // namespace driver
