// libFuzzer target: the keyword file, read line by line as the keyword lists
// load it (it arrives inside a downloaded bank). Besides no crash and no
// undefined behaviour: no line holds a line end, the reader always gets to
// the end, and the lines never hold more bytes than the file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/data/line_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rt::ByteSet bytes = rt::ByteSet::Zeros(size);
  if (size > 0) std::memcpy(bytes.data(), data, size);
  rt::LineReader reader(std::move(bytes));
  size_t lines = 0, total = 0;
  while (!reader.AtEnd()) {
    const rt::Text line = reader.ReadLine();
    if (line.view().find_first_of("\r\n") != std::string_view::npos) __builtin_trap();
    total += line.size();
    if (++lines > size + 1 || total > size) __builtin_trap();
  }
  return 0;
}
