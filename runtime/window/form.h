// The stored window definition: one record for the main window and one per
// control, each with its identifier, name, kind, parent, place, texts, font,
// flags and event bindings. The runtime builds the main window from this data
// and nothing else; the bindings name their handlers, which the runtime finds in
// the program's routine table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace rt {

// Data types of the units, support-library number in the high half, type
// number in the low half (both counted from 1).
enum class UnitKind : uint32_t {
  Window = 0x00010001,
  EditBox = 0x00010005,
  DrawingBoard = 0x00010008,
  GroupBox = 0x00010009,
  Label = 0x0001000A,
  Button = 0x0001000B,
  OptionButton = 0x0001000D,
  ListBox = 0x0001000F,
  TabControl = 0x00010015,
  HyperlinkBox = 0x0001001D,
  Timer = 0x00010020,
  Unpacker = 0x00030001,
};

// Event numbers. Their meaning depends on the kind of the unit.
inline constexpr int32_t kEventCreated = 0;          // window: creation complete
inline constexpr int32_t kEventClicked = 0;          // button, option button
inline constexpr int32_t kEventItemDoubleClick = 1;  // list box
inline constexpr int32_t kEventPageChanged = 0;      // tab control
inline constexpr int32_t kEventTick = 0;             // timer
inline constexpr int32_t kEventProgress = 1;         // unpacker
inline constexpr int32_t kEventDoubleClick = -3;     // any control

// Bits of the flags word.
inline constexpr uint32_t kFlagVisible = 0x1;
inline constexpr uint32_t kFlagTakesFocus = 0x4;

// Mouse pointer values.
inline constexpr uint32_t kPointerDefault = 0;
inline constexpr uint32_t kPointerIBeam = 32513;

// Identifier of the window's own unit record (the window itself is known to
// the program as kMainWindowId).
inline constexpr uint32_t kWindowUnitId = 0x06010000;

inline constexpr uint8_t kCharsetGb2312 = 134;

// A font of the GB2312 charset, not italic, not underlined. A null face means
// the runtime's default font.
struct FontSpec {
  const char* face = nullptr;
  int32_t height = 0;  // LOGFONT height: negative is the character height
  int32_t weight = 0;  // 400 normal, 700 bold
  bool IsDefault() const { return face == nullptr; }
};

struct EventBinding {
  int32_t event;
  const char* handler;  // name of a routine of the program's routine table
};

struct UnitDefinition {
  uint32_t id;       // control identifier 0x160100xx (the window: kMainWindowId)
  const char* name;  // GBK; empty for the window
  UnitKind kind;
  uint32_t parent;  // identifier of the parent unit, 0 for the window
  int32_t page;     // tab page for children of a tab control, else -1
  int32_t left, top, width, height;
  const char* text;  // initial caption or text, GBK; null for none
  FontSpec font;
  uint32_t flags;    // kFlagVisible | kFlagTakesFocus
  uint32_t pointer;  // mouse pointer
  std::span<const EventBinding> events;
  std::span<const char* const> pages;  // tab control: page captions in order
  const char* target = nullptr;        // hyperlink box: initial target URL
};

struct FormDefinition {
  const UnitDefinition& window;  // the window's own record
  std::span<const UnitDefinition> controls;

  // The unit with this identifier (the window or a control), or null.
  const UnitDefinition* Find(uint32_t id) const;
  const UnitDefinition* FindByName(const char* name) const;
};

}  // namespace rt
