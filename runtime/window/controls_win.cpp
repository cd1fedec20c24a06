#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "runtime/data/encoding.h"
#include "runtime/window/controls.h"
#include "runtime/window/window_state.h"

namespace rt {

using detail::FindUnit;
using detail::LiveUnit;
using detail::OnWindowThread;

namespace {
HWND WindowOf(uint32_t id) {
  LiveUnit* unit = FindUnit(id);
  return unit ? detail::WindowOf(*unit) : nullptr;
}

// The unit of a list box, made or not; null for any other identifier.
LiveUnit* ListUnit(uint32_t id) {
  LiveUnit* unit = FindUnit(id);
  return unit && unit->def->kind == UnitKind::ListBox ? unit : nullptr;
}
}  // namespace

// A caption is a property of the unit: writing it is cheap, and the window
// gets the newest one the next time the window's thread handles its messages
// (or at once when someone asks the window for its text). A composition that
// writes the status line once per record thus costs no window update per record;
// the window could not have painted the texts in between anyway.
void SetCaption(uint32_t id, std::string_view text) {
  LiveUnit* unit = FindUnit(id);
  if (!unit || (!unit->hwnd && !detail::HasWindow(*unit))) return;
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
    LiveUnit* unit = FindUnit(id);
    if (!unit || unit->def->kind != UnitKind::DrawingBoard) return;
    if (unit->hwnd) {
      detail::DrawingBoardSetPicture(unit->hwnd, picture, detail::IsShown(*unit));
    } else {
      unit->picture = picture;
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

// A list box whose window is not made yet keeps its items in its unit; it
// has no selection then. Either way the list is worked on the window's thread.
void ListClear(uint32_t id) {
  OnWindowThread([&] {
    if (LiveUnit* unit = ListUnit(id)) {
      if (unit->hwnd) {
        SendMessageW(unit->hwnd, LB_RESETCONTENT, 0, 0);
      } else {
        unit->items.clear();
      }
    }
  });
}

void ListAppend(uint32_t id, std::string_view text) {
  OnWindowThread([&] {
    if (LiveUnit* unit = ListUnit(id)) {
      if (unit->hwnd) {
        // LB_INSERTSTRING at -1 appends even to a list box that sorts.
        SendMessageW(unit->hwnd, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(GbkToWide(text).c_str()));
      } else {
        unit->items.emplace_back(text);
      }
    }
  });
}

int ListCount(uint32_t id) {
  int count = 0;
  OnWindowThread([&] {
    if (const LiveUnit* unit = ListUnit(id)) {
      count = unit->hwnd ? static_cast<int>(SendMessageW(unit->hwnd, LB_GETCOUNT, 0, 0))
                         : static_cast<int>(unit->items.size());
    }
  });
  return count;
}

int ListSelectedIndex(uint32_t id) {
  int selected = -1;
  OnWindowThread([&] {
    const LiveUnit* unit = ListUnit(id);
    if (!unit || !unit->hwnd) return;
    const LRESULT index = SendMessageW(unit->hwnd, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR) selected = static_cast<int>(index);
  });
  return selected;
}

Text ListItemText(uint32_t id, int index) {
  Text text;
  OnWindowThread([&] {
    const LiveUnit* unit = ListUnit(id);
    if (!unit) return;
    if (!unit->hwnd) {
      if (index >= 0 && static_cast<size_t>(index) < unit->items.size()) text = unit->items[static_cast<size_t>(index)];
      return;
    }
    const LRESULT n = SendMessageW(unit->hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n == LB_ERR) return;
    std::vector<wchar_t> buffer(static_cast<size_t>(n) + 1);
    const LRESULT got =
        SendMessageW(unit->hwnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    if (got != LB_ERR) text = WideToGbk(std::wstring_view(buffer.data(), static_cast<size_t>(got)));
  });
  return text;
}

void ListDelete(uint32_t id, int index) {
  OnWindowThread([&] {
    LiveUnit* unit = ListUnit(id);
    if (!unit) return;
    if (unit->hwnd) {
      SendMessageW(unit->hwnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    } else if (index >= 0 && static_cast<size_t>(index) < unit->items.size()) {
      unit->items.erase(unit->items.begin() + index);
    }
  });
}

}  // namespace rt
