// The tab control's painting under a visual style.
//
// The control draws its pane, the frame of the pages, in one go over its whole
// client area, and the window's controls cover nearly all of it. Under Wine
// the style's pane image is stretched, pixel by pixel and smoothed, over the
// bounding box of what is to be painted, covered or not: for the main window's
// tab control some 400,000 pixels, the dearest part of painting the window.
// So the control draws only the band of its tabs; below that band the pane is
// drawn here one uncovered rectangle at a time (the strips between the
// controls and along the edges), with the same part of the same style.
#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <vector>

#include "runtime/window/window_state.h"

namespace rt::detail {
namespace {

// The pane: the client area below the tabs, as the control draws it.
RECT PaneOf(HWND tab, const RECT& client) {
  RECT pane = client;
  const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    RECT item{};
    if (SendMessageW(tab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) {
      pane.top = std::max(pane.top, item.bottom);
    }
  }
  return pane;
}

// What of `area` the other shown controls leave uncovered, as rectangles.
std::vector<RECT> UncoveredRectangles(HWND tab, const RECT& area) {
  HRGN rest = CreateRectRgnIndirect(&area);
  for (const LiveUnit& unit : State().units) {
    if (!unit.hwnd || unit.hwnd == tab || unit.def->kind == UnitKind::Window || !IsWindowVisible(unit.hwnd)) continue;
    RECT covered;
    GetWindowRect(unit.hwnd, &covered);
    MapWindowPoints(nullptr, tab, reinterpret_cast<POINT*>(&covered), 2);
    HRGN control = CreateRectRgnIndirect(&covered);
    CombineRgn(rest, rest, control, RGN_DIFF);
    DeleteObject(control);
  }
  std::vector<RECT> rectangles;
  if (const DWORD size = GetRegionData(rest, 0, nullptr)) {
    std::vector<BYTE> data(size);
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    if (GetRegionData(rest, size, region)) {
      const auto* first = reinterpret_cast<const RECT*>(region->Buffer);
      rectangles.assign(first, first + region->rdh.nCount);
    }
  }
  DeleteObject(rest);
  return rectangles;
}

}  // namespace

bool PaintTabControl(HWND tab, WNDPROC controlProc) {
  const HTHEME theme = GetWindowTheme(tab);
  const LONG style = GetWindowLongW(tab, GWL_STYLE);
  if (!theme || (style & (TCS_BOTTOM | TCS_VERTICAL | TCS_BUTTONS))) return false;  // the control's own way
  RECT client;
  GetClientRect(tab, &client);
  const RECT pane = PaneOf(tab, client);
  if (pane.top <= client.top) return false;  // no tabs
  // Below the band, only the pane's edges and inside show: its top edge and
  // corners, and the tabs that overlap it, stay in the band.
  MARGINS margins{};
  GetThemeMargins(theme, nullptr, TABP_PANE, 0, TMT_SIZINGMARGINS, nullptr, &margins);
  constexpr int kBandBelowTabs = 4;
  const int bandBottom =
      std::min<int>(client.bottom, pane.top + std::max<int>(margins.cyTopHeight, 0) + kBandBelowTabs);

  PAINTSTRUCT ps;
  HDC dc = BeginPaint(tab, &ps);
  int saved = SaveDC(dc);
  IntersectClipRect(dc, client.left, client.top, client.right, bandBottom);
  CallWindowProcW(controlProc, tab, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);

  RECT below{ps.rcPaint.left, std::max<LONG>(ps.rcPaint.top, bandBottom), ps.rcPaint.right, ps.rcPaint.bottom};
  if (below.top < below.bottom && below.left < below.right) {
    saved = SaveDC(dc);
    IntersectClipRect(dc, below.left, below.top, below.right, below.bottom);
    DrawThemeParentBackground(tab, dc, &below);
    for (const RECT& piece : UncoveredRectangles(tab, below)) {
      DrawThemeBackground(theme, dc, TABP_PANE, 0, &pane, &piece);
    }
    RestoreDC(dc, saved);
  }
  EndPaint(tab, &ps);
  return true;
}

}  // namespace rt::detail
