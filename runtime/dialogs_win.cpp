#include <windows.h>

#include "runtime/dialogs.h"
#include "runtime/encoding.h"

namespace rt {

int ShowMessageBox(std::string_view text, unsigned style, std::string_view title) {
  return MessageBoxW(nullptr, GbkToWide(text).c_str(), GbkToWide(title).c_str(), style);
}

}  // namespace rt
