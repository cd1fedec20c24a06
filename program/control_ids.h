// Identifiers of the main window and its controls, named as the window
// definition names them. The Win32 control ID of a control is the low 16 bits
// of its identifier.
#pragma once

#include <cstdint>

namespace program {

inline constexpr uint32_t kMainWindowId = 0x52010001;

#define TESSALY_CONTROL(name, identifier) inline constexpr uint32_t name = identifier;
#include "program/controls.def"
#undef TESSALY_CONTROL

// The name of the control with this identifier, as the window definition
// names it; null for none.
constexpr const char* ControlName(uint32_t identifier) {
#define TESSALY_CONTROL(name, id) \
  if (identifier == (id)) return #name;
#include "program/controls.def"
#undef TESSALY_CONTROL
  return nullptr;
}

// The hyperlink box is known to the logic by its role as well.
inline constexpr uint32_t FeedbackLink = 超级链接框1;

// Tab pages of 选择夹1, counted from 0.
inline constexpr int kPageAnswer = 0;
inline constexpr int kPageCompose = 1;
inline constexpr int kPageSolution = 2;
inline constexpr int kPageUpgradeAndFeedback = 3;
inline constexpr int kPageAbout = 4;

constexpr uint16_t Win32ControlId(uint32_t identifier) { return static_cast<uint16_t>(identifier & 0xFFFF); }

}  // namespace program
