// The dialogs family.
#pragma once

#include <string_view>

namespace rt {

// The title the runtime gives a message box when the caller names none.
inline constexpr const char* kDefaultMessageBoxTitle = "信息";

// Shows a message box with no owner window; returns the button pressed.
int ShowMessageBox(std::string_view text, unsigned style,
                   std::string_view title = kDefaultMessageBoxTitle);

}  // namespace rt
