#include <windows.h>

#include "runtime/data/encoding.h"
#include "runtime/window/dialogs.h"

namespace rt {

int ShowMessageBox(std::string_view text, unsigned style, std::string_view title) {
  return MessageBoxW(nullptr, GbkToWide(text).c_str(), GbkToWide(title).c_str(), style);
}

}  // namespace rt
