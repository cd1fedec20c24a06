// The live main window, shared by the runtime's Windows sources only.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <vector>

#include "runtime/data/blocks.h"
#include "runtime/program.h"

namespace rt::detail {

struct LiveUnit {
  const UnitDefinition* def = nullptr;
  HWND hwnd = nullptr;            // null for units that are not windows (timer, unpacker)
  WNDPROC controlProc = nullptr;  // the standard control's own procedure, which the runtime's runs first
  int page = -1;                  // tab page the unit lives on; -1 for none
  bool visible = false;           // the visible property
  int timerPeriod = 0;
  Text target;                // hyperlink target
  Text caption;               // the caption property (see SetCaption); the unpacker's text
  bool captionDirty = false;  // caption not yet handed to the window
  // What a list box or a drawing board was given before its window was made
  // (see WindowOf); handed to the window when it is made.
  std::vector<Text> items;
  ByteSet picture;
  std::vector<std::pair<int32_t, RoutineFunction>> handlers;
};

struct WindowState {
  const ProgramDescription* program = nullptr;
  HWND main = nullptr;
  DWORD thread = 0;
  HWND tab = nullptr;
  std::vector<LiveUnit> units;  // units[0] is the window itself
  std::mutex captionLock;       // guards the captions and flushPosted
  bool flushPosted = false;
  HANDLE up = nullptr;  // set once the window is shown, painted and complete (see HoldUntilWindowIsUp)
};

WindowState& State();
LiveUnit* FindUnit(uint32_t id);
LiveUnit* FindUnitByControlId(int controlId);

// Runs the handler bound to this event of the unit, if any.
void Dispatch(const LiveUnit& unit, int32_t event);

// A thread the program starts while the window is being built (from its
// creation event, say) begins once the window has been shown and painted and
// the controls of its other pages are made: under Wine, what it loads first
// (WinINet, for the update check) would slow the window down. It waits at
// most a second, and not at all once the window's thread waits for something
// itself (LetHeldThreadsGo).
void HoldUntilWindowIsUp();
void LetHeldThreadsGo();

// Runs the function on the window's thread (at once when already there).
void OnWindowThread(const std::function<void()>& work);

inline constexpr UINT kFlushCaptionsMessage = WM_APP + 0x102;

// Hands every caption written since the last time to its window. Runs on the
// window's thread.
void FlushCaptions();

// Whether the unit is to be seen: its visible property and, for a unit on a
// tab page, that page on show.
bool IsShown(const LiveUnit& unit);

// Shows or hides the unit's window from its visible property and its page.
void ApplyVisibility(const LiveUnit& unit);

// Whether the unit is shown in a window of its own (not a timer or an unpacker).
bool HasWindow(const LiveUnit& unit);

// The unit's window, made now (on the window's thread) when it is a control
// of a page that has not been made yet; null for units without a window.
HWND WindowOf(LiveUnit& unit);

// Starts GDI+ on a thread of its own, so that it is ready by the time the
// main window paints its first picture; the thread then decodes the pictures
// set on boards on show, once BeginDecodingAhead lets it.
void PreparePictureDecoding();
// The main window is about to be shown: its pictures are decoded from now on.
void BeginDecodingAhead();

// Paints the tab control whose own procedure is `controlProc` (for its
// WM_PAINT); false when it is left to the control (no visual style, tabs not
// along the top).
bool PaintTabControl(HWND tab, WNDPROC controlProc);

// The drawing-board window class.
void RegisterDrawingBoardClass(HINSTANCE instance);
extern const wchar_t kDrawingBoardClass[];
// `shown`: the board is on show or about to be, so the picture is decoded
// ahead (see picture_board_win.cpp).
void DrawingBoardSetPicture(HWND board, const ByteSet& picture, bool shown);

}  // namespace rt::detail
