// Splits the bytes of a text file into lines, as the runtime's "read one line"
// gives them: a line is returned without its line end; CR LF, a lone LF and a
// lone CR each end a line; a line end after the last line adds no empty line;
// a last line without a line end is a line like any other. Bytes are kept as
// they are (GBK stays GBK).
#pragma once

#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

class LineReader {
 public:
  explicit LineReader(ByteSet content) : content_(std::move(content)) {}
  bool AtEnd() const { return position_ >= content_.size(); }
  // The next line; the empty text once at the end.
  Text ReadLine();

 private:
  ByteSet content_;
  size_t position_ = 0;
};

}  // namespace rt
