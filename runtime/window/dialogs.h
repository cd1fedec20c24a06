// The dialogs family.
#pragma once

#include <string_view>

namespace rt {

// The title the runtime gives a message box when the caller names none.
inline constexpr const char* kDefaultMessageBoxTitle = "信息";

// The style of a message box that stays above every window until it is
// answered (MB_SYSTEMMODAL): an OK button, no icon.
inline constexpr unsigned kSystemModal = 0x1000;

// Shows a message box with no owner window; returns the button pressed.
int ShowMessageBox(std::string_view text, unsigned style, std::string_view title = kDefaultMessageBoxTitle);

}  // namespace rt
