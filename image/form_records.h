// What the window definition's encoder (form_encode.cpp) and decoder
// (form_decode.cpp) share: the fixed parts of a unit's record and the
// property block each kind of unit keeps. Internal to the format.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "image/form_codec.h"

namespace image::detail {

inline constexpr size_t kReservedBlock = 20;  // the 20 zero bytes after the data type and before the properties
inline constexpr uint32_t kChildrenEnd = 4;   // the word 4 after the children
inline constexpr size_t kFaceSize = 32;       // LOGFONTA face name, NUL included
inline constexpr uint8_t kOutDefaultPrecis = 0, kClipDefaultPrecis = 0, kDefaultQuality = 0, kDefaultPitch = 0;
inline constexpr uint32_t kKnownFlags = rt::kFlagVisible | rt::kFlagTakesFocus;

inline std::string Hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

// What a unit of each kind keeps in its property block.
struct KindTraits {
  uint32_t layout;  // 0: no block after the 20 zero bytes
  bool caption;     // the unit has a caption or text (perhaps empty); otherwise its text is null
};

inline std::optional<KindTraits> TraitsOf(rt::UnitKind kind) {
  switch (kind) {
    case rt::UnitKind::Window:
      return KindTraits{kLayoutWindow, true};
    case rt::UnitKind::Button:
    case rt::UnitKind::OptionButton:
      return KindTraits{kLayoutCaption, true};
    case rt::UnitKind::DrawingBoard:
    case rt::UnitKind::HyperlinkBox:
      return KindTraits{kLayoutCaption, false};
    case rt::UnitKind::Label:
    case rt::UnitKind::EditBox:
      return KindTraits{kLayoutText, true};
    case rt::UnitKind::ListBox:
    case rt::UnitKind::TabControl:
      return KindTraits{kLayoutList, false};
    case rt::UnitKind::GroupBox:
    case rt::UnitKind::Timer:
    case rt::UnitKind::Unpacker:
      return KindTraits{0, false};
  }
  return std::nullopt;
}

inline std::string UnitName(uint32_t id, const char* name) {
  std::string text = "unit " + Hex(id);
  if (name != nullptr && *name != '\0') text += std::string(" (") + name + ")";
  return text;
}

}  // namespace image::detail
