#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "runtime/controls.h"
#include "runtime/encoding.h"
#include "runtime/window_state.h"

namespace rt {

using detail::FindUnit;
using detail::LiveUnit;
using detail::OnWindowThread;

namespace {
HWND WindowOf(uint32_t id) {
  const LiveUnit* unit = FindUnit(id);
  return unit ? unit->hwnd : nullptr;
}
}  // namespace

// A caption is a property of the unit: writing it is cheap, and the window
// gets the newest one the next time the window's thread handles its messages
// (or at once when someone asks the window for its text). A composition that
// writes the status line once per record thus costs no window update per record;
// the window could not have painted the texts in between anyway.
void SetCaption(uint32_t id, std::string_view text) {
  LiveUnit* unit = FindUnit(id);
  if (!unit || !unit->hwnd) return;
  detail::WindowState& state = detail::State();
  bool post = false;
  {
    std::lock_guard<std::mutex> lock(state.captionLock);
    unit->caption.Assign(text);
    unit->captionDirty = true;
    post = !state.flushPosted;
    state.flushPosted = true;
  }
  if (post) PostMessageW(state.main, detail::kFlushCaptionsMessage, 0, 0);
}

Text GetCaption(uint32_t id) {
  LiveUnit* unit = FindUnit(id);
  if (!unit) return Text();
  std::lock_guard<std::mutex> lock(detail::State().captionLock);
  return unit->caption;
}

void SetVisible(uint32_t id, bool visible) {
  OnWindowThread([&] {
    if (LiveUnit* unit = FindUnit(id)) {
      unit->visible = visible;
      detail::ApplyVisibility(*unit);
    }
  });
}

bool GetVisible(uint32_t id) {
  const LiveUnit* unit = FindUnit(id);
  return unit && unit->visible;
}

void SetPicture(uint32_t id, const ByteSet& picture) {
  OnWindowThread([&] {
    const LiveUnit* unit = FindUnit(id);
    if (unit && unit->hwnd && unit->def->kind == UnitKind::DrawingBoard) {
      detail::DrawingBoardSetPicture(unit->hwnd, picture);
    }
  });
}

void SetTimerPeriod(uint32_t id, int milliseconds) {
  OnWindowThread([&] {
    LiveUnit* unit = FindUnit(id);
    if (!unit || unit->def->kind != UnitKind::Timer) return;
    const UINT_PTR timerId = unit->def->id & 0xFFFF;
    unit->timerPeriod = milliseconds > 0 ? milliseconds : 0;
    if (unit->timerPeriod > 0) {
      SetTimer(detail::State().main, timerId, static_cast<UINT>(unit->timerPeriod), nullptr);
    } else {
      KillTimer(detail::State().main, timerId);
    }
  });
}

int GetTimerPeriod(uint32_t id) {
  const LiveUnit* unit = FindUnit(id);
  return unit ? unit->timerPeriod : 0;
}

void SetHyperlinkTarget(uint32_t id, std::string_view url) {
  OnWindowThread([&] {
    if (LiveUnit* unit = FindUnit(id)) unit->target = Text(url);
  });
}

void OpenHyperlink(uint32_t id) {
  Text target;
  OnWindowThread([&] {
    if (const LiveUnit* unit = FindUnit(id)) target = unit->target;
  });
  if (target.empty()) return;
  // The system's handler for the URL (the web browser). A failure to start it
  // is not reported.
  ShellExecuteW(nullptr, L"open", GbkToWide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

int GetSelectedPage(uint32_t id) {
  HWND hwnd = WindowOf(id);
  return hwnd ? static_cast<int>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0)) : -1;
}

void ListClear(uint32_t id) {
  if (HWND hwnd = WindowOf(id)) SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
}

void ListAppend(uint32_t id, std::string_view text) {
  if (HWND hwnd = WindowOf(id)) {
    // LB_INSERTSTRING at -1 appends even to a list box that sorts.
    SendMessageW(hwnd, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(GbkToWide(text).c_str()));
  }
}

int ListCount(uint32_t id) {
  HWND hwnd = WindowOf(id);
  return hwnd ? static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0)) : 0;
}

int ListSelectedIndex(uint32_t id) {
  HWND hwnd = WindowOf(id);
  if (!hwnd) return -1;
  const LRESULT index = SendMessageW(hwnd, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

Text ListItemText(uint32_t id, int index) {
  HWND hwnd = WindowOf(id);
  if (!hwnd) return Text();
  const LRESULT n = SendMessageW(hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n == LB_ERR) return Text();
  std::vector<wchar_t> buffer(static_cast<size_t>(n) + 1);
  const LRESULT got = SendMessageW(hwnd, LB_GETTEXT, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(buffer.data()));
  if (got == LB_ERR) return Text();
  return WideToGbk(std::wstring_view(buffer.data(), static_cast<size_t>(got)));
}

void ListDelete(uint32_t id, int index) {
  if (HWND hwnd = WindowOf(id)) SendMessageW(hwnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

}  // namespace rt
