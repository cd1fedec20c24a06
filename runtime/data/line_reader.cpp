#include "runtime/data/line_reader.h"

namespace rt {

Text LineReader::ReadLine() {
  const std::string_view all = content_.view();
  if (position_ >= all.size()) return Text();
  size_t end = position_;
  while (end < all.size() && all[end] != '\r' && all[end] != '\n') ++end;
  Text line(all.substr(position_, end - position_));
  if (end < all.size()) {
    // Step over CR LF as one line end, a lone CR or LF as one.
    if (all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n') ++end;
    ++end;
  }
  position_ = end;
  return line;
}

}  // namespace rt
