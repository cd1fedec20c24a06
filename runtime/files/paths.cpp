#include "runtime/files/paths.h"

#include <string>

#include "runtime/data/texts.h"

namespace rt {
namespace {

// Whether the text's last character (GBK: a lead byte takes the byte after it
// along) is a backslash or a slash.
bool EndsInSeparator(std::string_view text) {
  bool last = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (IsGbkLeadByte(b) && i + 1 < text.size()) {
      ++i;
      last = false;
    } else {
      last = b == '\\' || b == '/';
    }
  }
  return last;
}

}  // namespace

Text JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && !EndsInSeparator(folder)) path += '\\';
  path += name;
  return Text(path);
}

}  // namespace rt
