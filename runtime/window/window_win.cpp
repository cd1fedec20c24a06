// Builds the main window from the program's stored window definition and
// dispatches the bound events of its controls to their handlers.
//
// Every control is a direct child of the main window, placed by adding up the
// places of its parents (tab control, group box), so that its Win32 control ID
// (the low 16 bits of its identifier) finds it from the main window. A control
// on a tab page is shown only while that page is selected.
//
// The window is shown with only the controls of its first page and those on
// no page. The other pages' controls are made after it has been painted, one
// per pass of the message loop, or at once when their page is chosen or the
// program uses one of them first; a caption written before then is the text
// they are made with. Under Wine each control costs a millisecond or more to
// make, and the other pages hold more than half of them.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "runtime/data/encoding.h"
#include "runtime/data/invariant.h"
#include "runtime/window/controls.h"
#include "runtime/window/window_state.h"

namespace rt::detail {
namespace {

constexpr wchar_t kMainWindowClass[] = L"TessalyMainWindow";
constexpr UINT kRunOnWindowThread = WM_APP + 0x100;
constexpr UINT kMakeNextControl = WM_APP + 0x103;

HFONT g_defaultFont = nullptr;

// Every standard control runs through this first:
// - asked for its text (by another program, say), it first takes the newest
//   caption written by the program;
// - a group box draws only its frame, so the area inside it would show
//   whatever lay there before: fill it first with the labels' background;
// - the tab control's pane is painted in pieces (PaintTabControl).
LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The control's own procedure, kept with its unit: a window property would
  // be asked of the window manager for every message, and even the user data
  // costs a request to set.
  const LiveUnit* unit = nullptr;
  for (const LiveUnit& u : State().units) {
    if (u.hwnd == hwnd) {
      unit = &u;
      break;
    }
  }
  if (!unit || !unit->controlProc) return DefWindowProcW(hwnd, message, wParam, lParam);
  const WNDPROC original = unit->controlProc;
  switch (message) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      FlushCaptions();
      break;
    case WM_PAINT: {
      if (unit->def->kind == UnitKind::TabControl && !wParam && PaintTabControl(hwnd, original)) return 0;
      if (unit->def->kind == UnitKind::GroupBox) {
        RECT client;
        GetClientRect(hwnd, &client);
        HDC dc = GetDC(hwnd);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
            GetParent(hwnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
        FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        ReleaseDC(hwnd, dc);
      }
      break;
    }
    case WM_NCPAINT: {
      RECT window, client;
      GetWindowRect(hwnd, &window);
      GetClientRect(hwnd, &client);
      if (window.right - window.left == client.right && window.bottom - window.top == client.bottom) return 0;
      break;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      break;
    default:
      break;
  }
  return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

HFONT CreateUnitFont(const FontSpec& font) {
  LOGFONTW lf{};
  lf.lfCharSet = kCharsetGb2312;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  if (font.IsDefault()) {
    // The runtime's default font: 宋体, 12 pixels.
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    wcscpy(lf.lfFaceName, L"\x5B8B\x4F53");
  } else {
    lf.lfHeight = font.height;
    lf.lfWeight = font.weight;
    const std::wstring face = GbkToWide(font.face);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  }
  return CreateFontIndirectW(&lf);
}

struct WindowClassAndStyle {
  const wchar_t* cls;
  DWORD style;
  DWORD exStyle;
};

WindowClassAndStyle ClassFor(UnitKind kind) {
  switch (kind) {
    case UnitKind::Label:
      return {WC_STATICW, SS_LEFT | SS_NOTIFY, 0};
    case UnitKind::Button:
      return {WC_BUTTONW, BS_PUSHBUTTON | BS_MULTILINE, 0};
    case UnitKind::OptionButton:
      return {WC_BUTTONW, BS_AUTORADIOBUTTON, 0};
    case UnitKind::GroupBox:
      return {WC_BUTTONW, BS_GROUPBOX, 0};
    case UnitKind::ListBox:
      return {WC_LISTBOXW, LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER, 0};
    case UnitKind::EditBox:
      return {WC_EDITW, ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_BORDER, 0};
    case UnitKind::TabControl:
      return {WC_TABCONTROLW, 0, 0};
    case UnitKind::DrawingBoard:
      return {kDrawingBoardClass, WS_BORDER, 0};
    case UnitKind::HyperlinkBox:
      return {WC_STATICW, SS_LEFT | SS_NOTIFY, 0};
    default:
      return {nullptr, 0, 0};  // timer, unpacker: no window
  }
}

// The parent of a control in the definition. The image's reader lets in only
// definitions whose parents come before their children, so every walk up
// the parents ends at the window; a parent after its child would be a loop.
const UnitDefinition* ParentOf(const FormDefinition& form, const UnitDefinition& unit) {
  const UnitDefinition* parent = form.Find(unit.parent);
  TESSALY_CHECK(!parent || parent == &form.window || parent < &unit);
  return parent;
}

// Place of a unit in the main window's client area.
POINT AbsolutePlace(const FormDefinition& form, const UnitDefinition& unit) {
  POINT p{unit.left, unit.top};
  for (const UnitDefinition* parent = ParentOf(form, unit); parent && parent->kind != UnitKind::Window;
       parent = ParentOf(form, *parent)) {
    p.x += parent->left;
    p.y += parent->top;
  }
  return p;
}

// The tab page a unit lives on: its own, or that of the nearest parent on a page.
int PageOf(const FormDefinition& form, const UnitDefinition& unit) {
  for (const UnitDefinition* u = &unit; u && u->kind != UnitKind::Window; u = ParentOf(form, *u)) {
    if (u->page >= 0) return u->page;
  }
  return -1;
}

RoutineFunction FindRoutine(const ProgramDescription& program, const char* name) {
  for (const Routine& routine : program.routines) {
    if (std::strcmp(routine.name, name) == 0) return routine.function;
  }
  return nullptr;
}

void BindHandlers(const ProgramDescription& program, LiveUnit& unit) {
  for (const EventBinding& binding : unit.def->events) {
    RoutineFunction fn = FindRoutine(program, binding.handler);
    if (!fn) {
      // A binding that names no routine is a broken program: stop at once
      // rather than run with a dead control.
      char message[256];
      std::snprintf(message, sizeof message, "event handler \"%s\" of unit 0x%08X not found", binding.handler,
                    static_cast<unsigned>(unit.def->id));
      MessageBoxA(nullptr, message, "Tessaly runtime", MB_ICONERROR);
      ExitProcess(3);
    }
    unit.handlers.emplace_back(binding.event, fn);
  }
}

void UpdatePages() {
  WindowState& state = State();
  const int page = static_cast<int>(SendMessageW(state.tab, TCM_GETCURSEL, 0, 0));
  for (LiveUnit& unit : state.units) {
    if (unit.page == page) WindowOf(unit);
  }
  for (const LiveUnit& unit : state.units) ApplyVisibility(unit);
}

// Makes the first control not made yet; true when there was one.
bool MakeNextControl() {
  for (LiveUnit& unit : State().units) {
    if (HasWindow(unit) && !unit.hwnd) {
      WindowOf(unit);
      return true;
    }
  }
  return false;
}

void HandleCommand(WPARAM wParam) {
  LiveUnit* unit = FindUnitByControlId(LOWORD(wParam));
  if (!unit) return;
  const WORD code = HIWORD(wParam);
  switch (unit->def->kind) {
    case UnitKind::Button:
    case UnitKind::OptionButton:
      if (code == BN_CLICKED) Dispatch(*unit, kEventClicked);
      break;
    case UnitKind::ListBox:
      if (code == LBN_DBLCLK) Dispatch(*unit, kEventItemDoubleClick);
      break;
    case UnitKind::Label:
      if (code == STN_DBLCLK) Dispatch(*unit, kEventDoubleClick);
      break;
    default:
      break;
  }
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      HandleCommand(wParam);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == State().tab && header->code == TCN_SELCHANGE) {
        UpdatePages();
        if (const LiveUnit* tab = FindUnitByControlId(static_cast<int>(header->idFrom))) {
          Dispatch(*tab, kEventPageChanged);
        }
      }
      return 0;
    }
    case WM_TIMER:
      if (const LiveUnit* unit = FindUnitByControlId(static_cast<int>(wParam))) Dispatch(*unit, kEventTick);
      return 0;
    case WM_SETCURSOR: {
      const LiveUnit* unit = FindUnitByControlId(GetDlgCtrlID(reinterpret_cast<HWND>(wParam)));
      if (unit && unit->def->pointer != kPointerDefault) {
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(unit->def->pointer)));
        return TRUE;
      }
      break;
    }
    case WM_CTLCOLORSTATIC: {
      // The read-only history box keeps the white of an edit box.
      const LiveUnit* unit = FindUnitByControlId(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
      if (unit && unit->def->kind == UnitKind::EditBox) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    }
    case kFlushCaptionsMessage:
      FlushCaptions();
      return 0;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      FlushCaptions();
      break;
    case kRunOnWindowThread:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 0;
    case kMakeNextControl:
      // One control per message, so that what arrives meanwhile is not kept
      // waiting. The window is complete once the last is made.
      if (MakeNextControl()) {
        PostMessageW(hwnd, kMakeNextControl, 0, 0);
      } else {
        LetHeldThreadsGo();
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Group boxes and the tab control lie under the controls placed on them.
bool LiesAtTheBottom(const LiveUnit& unit) {
  return unit.def->kind == UnitKind::GroupBox || unit.def->kind == UnitKind::TabControl;
}

// `late`: made while the window is up. Such a control gets its control ID
// (by which GetDlgItem finds it) only once it is complete: see WindowOf.
void CreateControl(LiveUnit& unit, bool late) {
  const UnitDefinition& def = *unit.def;
  const WindowClassAndStyle cs = ClassFor(def.kind);
  if (!cs.cls) return;
  WindowState& state = State();
  const POINT at = AbsolutePlace(state.program->form, def);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | cs.style;
  if (def.flags & kFlagTakesFocus) style |= WS_TABSTOP;
  std::wstring text;
  {
    std::lock_guard<std::mutex> lock(state.captionLock);
    text = GbkToWide(unit.caption);
    unit.captionDirty = false;
  }
  unit.hwnd = CreateWindowExW(cs.exStyle, cs.cls, text.c_str(), style, at.x, at.y, def.width, def.height, state.main,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(late ? 0 : def.id & 0xFFFF)),
                              GetModuleHandleW(nullptr), nullptr);
  HFONT font = def.font.IsDefault() ? g_defaultFont : CreateUnitFont(def.font);
  SendMessageW(unit.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (cs.cls != kDrawingBoardClass) {
    unit.controlProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(unit.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
  }
  for (const Text& item : unit.items) {
    SendMessageW(unit.hwnd, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(GbkToWide(item).c_str()));
  }
  unit.items = {};
  if (!unit.picture.empty()) DrawingBoardSetPicture(unit.hwnd, unit.picture, IsShown(unit));
  unit.picture = ByteSet();
  if (def.kind == UnitKind::TabControl) {
    state.tab = unit.hwnd;
    for (size_t i = 0; i < def.pages.size(); ++i) {
      std::wstring caption = GbkToWide(def.pages[i]);
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      SendMessageW(unit.hwnd, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
  }
}

}  // namespace

WindowState& State() {
  static WindowState state;
  return state;
}

bool HasWindow(const LiveUnit& unit) {
  return ClassFor(unit.def->kind).cls != nullptr;  // the window itself has none either
}

HWND WindowOf(LiveUnit& unit) {
  if (unit.hwnd || !HasWindow(unit) || !State().main) return unit.hwnd;
  OnWindowThread([&unit] {
    if (unit.hwnd) return;
    CreateControl(unit, true);
    if (!unit.hwnd) return;
    // Among the others where it would lie had it been made with them: under
    // the nearest control before it in the definition.
    // The walk goes back from this unit through the live units, so it must be
    // one of them, and not the window's own, which is first.
    WindowState& state = State();
    TESSALY_CHECK(&unit > state.units.data() && &unit < state.units.data() + state.units.size());
    HWND above = HWND_TOP;
    for (const LiveUnit* u = &unit - 1; u > &state.units[0]; --u) {
      if (u->hwnd && !LiesAtTheBottom(*u)) {
        above = u->hwnd;
        break;
      }
    }
    SetWindowPos(unit.hwnd, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyVisibility(unit);
    // Found from now on, with its text, items and picture and in its place.
    SetWindowLongPtrW(unit.hwnd, GWLP_ID, static_cast<LONG_PTR>(unit.def->id & 0xFFFF));
  });
  return unit.hwnd;
}

LiveUnit* FindUnit(uint32_t id) {
  for (LiveUnit& unit : State().units) {
    if (unit.def->id == id) return &unit;
  }
  return nullptr;
}

LiveUnit* FindUnitByControlId(int controlId) {
  for (LiveUnit& unit : State().units) {
    if (unit.def->kind != UnitKind::Window && static_cast<int>(unit.def->id & 0xFFFF) == controlId) return &unit;
  }
  return nullptr;
}

void Dispatch(const LiveUnit& unit, int32_t event) {
  for (const auto& [bound, fn] : unit.handlers) {
    if (bound == event) fn();
  }
}

void HoldUntilWindowIsUp() {
  constexpr DWORD kHoldLimitMs = 1000;
  if (const HANDLE up = State().up) WaitForSingleObject(up, kHoldLimitMs);
}

void LetHeldThreadsGo() {
  const WindowState& state = State();
  if (state.up && GetCurrentThreadId() == state.thread) SetEvent(state.up);
}

void OnWindowThread(const std::function<void()>& work) {
  const WindowState& state = State();
  if (!state.main || GetCurrentThreadId() == state.thread) {
    work();
  } else {
    SendMessageW(state.main, kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&work));
  }
}

void FlushCaptions() {
  WindowState& state = State();
  std::vector<std::pair<HWND, Text>> pending;
  {
    std::lock_guard<std::mutex> lock(state.captionLock);
    state.flushPosted = false;
    for (LiveUnit& unit : state.units) {
      if (!unit.captionDirty || !unit.hwnd) continue;  // one not made yet is made with its caption
      unit.captionDirty = false;
      pending.emplace_back(unit.hwnd, unit.caption);
    }
  }
  for (const auto& [hwnd, text] : pending) SetWindowTextW(hwnd, GbkToWide(text).c_str());
}

bool IsShown(const LiveUnit& unit) {
  if (!unit.visible || unit.page < 0 || !State().tab) return unit.visible;
  return unit.page == static_cast<int>(SendMessageW(State().tab, TCM_GETCURSEL, 0, 0));
}

void ApplyVisibility(const LiveUnit& unit) {
  if (!unit.hwnd || unit.def->kind == UnitKind::Window) return;
  ShowWindow(unit.hwnd, IsShown(unit) ? SW_SHOWNA : SW_HIDE);
}

}  // namespace rt::detail

namespace rt {

void CreateStartWindow() {
  using namespace detail;
  WindowState& state = State();
  const ProgramDescription& program = *state.program;
  const FormDefinition& form = program.form;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  constexpr int kFirstPage = 0;  // the page a new tab control shows
  state.thread = GetCurrentThreadId();
  state.up = CreateEventW(nullptr, TRUE, FALSE, nullptr);

  WNDCLASSW wc{};
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kMainWindowClass;
  RegisterClassW(&wc);
  RegisterDrawingBoardClass(instance);
  g_defaultFont = CreateUnitFont(FontSpec{});

  // All units first, so that handlers can find each other by identifier.
  state.units.clear();
  state.units.reserve(form.controls.size() + 1);
  const LiveUnit* const first = state.units.data();
  state.units.push_back(LiveUnit{&form.window});
  for (const UnitDefinition& def : form.controls) {
    LiveUnit unit{&def};
    unit.page = PageOf(form, def);
    unit.visible = (def.flags & kFlagVisible) != 0;
    if (def.target) unit.target = Text(def.target);
    unit.caption = Text(def.text ? def.text : "");
    state.units.push_back(std::move(unit));
  }
  // Units are found by pointer from now on (FindUnit, work handed to the
  // window's thread): the list was made in the room reserved and never moves.
  TESSALY_CHECK(state.units.data() == first);
  for (LiveUnit& unit : state.units) BindHandlers(program, unit);

  const UnitDefinition& w = form.window;
  const std::wstring caption = GbkToWide(w.text ? w.text : "");
  // A fixed frame: caption, system menu and minimize box, no resizing, no menu.
  state.main = CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, caption.c_str(),
                               WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, w.left,
                               w.top, w.width, w.height, nullptr, nullptr, instance, nullptr);
  state.units[0].hwnd = state.main;
  // GDI+ gets ready while the controls are made and the window is shown. Not
  // before the main window is made: GDI+'s DLLs, loading, hold the loader's
  // lock, which the cursor, the icon and the display driver loaded for the
  // main window wait for.
  PreparePictureDecoding();
  state.units[0].caption = Text(w.text ? w.text : "");
  for (size_t i = 1; i < state.units.size(); ++i) {
    if (state.units[i].page < 0 || state.units[i].page == kFirstPage) CreateControl(state.units[i], false);
  }
  for (const LiveUnit& unit : state.units) {
    if (unit.hwnd && unit.def->kind == UnitKind::GroupBox) {
      SetWindowPos(unit.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  if (state.tab) SetWindowPos(state.tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  Dispatch(state.units[0], kEventCreated);
  // The captions the creation event wrote go to their controls while these
  // are hidden: showing the window asks for its own caption, which would hand
  // them over then, and a label given its text while shown paints it at once,
  // then again with the window.
  FlushCaptions();
  BeginDecodingAhead();
  // The window is shown before its controls, and they after it with their
  // erasing left to their painting. Shown with the window, each control was
  // erased at once, in a pass of its own that asked the window manager again
  // for its update and visible regions, and then painted.
  ShowWindow(state.main, SW_SHOW);
  for (const LiveUnit& unit : state.units) {
    if (unit.hwnd && unit.def->kind != UnitKind::Window && IsShown(unit)) {
      SetWindowPos(unit.hwnd, nullptr, 0, 0, 0, 0,
                   SWP_SHOWWINDOW | SWP_DEFERERASE | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    }
  }
  UpdateWindow(state.main);
  PostMessageW(state.main, kMakeNextControl, 0, 0);
}

void RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (detail::State().main && IsDialogMessageW(detail::State().main, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void ProcessPendingEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the message loop
      break;
    }
    if (detail::State().main && IsDialogMessageW(detail::State().main, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace rt
