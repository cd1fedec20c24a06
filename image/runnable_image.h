// An image made ready to run: laid out in memory, its window definition,
// routine directory and constants read from the laid-out segments, and its
// binding lists checked against what they name. The runtime support library
// runs a program from this; nothing of the program's own data is used.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/form_codec.h"
#include "image/image_loader.h"
#include "image/program_layout.h"

namespace image {

struct RunnableImage {
  LoadedImage loaded;                    // the block: every segment at its place
  std::unique_ptr<DecodedForm> form;     // decoded from "form" in the block
  std::vector<RoutineEntry> routines;    // the routine directory: the table's routines, then the entry
  std::vector<NamedConstant> constants;  // their bytes lie in loaded.memory
  std::span<uint8_t> globals;            // "var" in the block: zero bytes of its memory size

  const RoutineEntry& entry() const { return routines.back(); }
};

// The runnable image, or null with the reason in `error`. Besides everything
// LoadImage checks, refuses an image whose identifier sites name a unit the
// window does not have, whose function sites name an index beyond its
// declared functions, whose library sites name no library of its table (or
// the core library, which is never bound), whose data-type sites name a kind
// no unit of the window has, or whose entry offset is not the directory's
// entry routine.
std::unique_ptr<RunnableImage> PrepareImage(std::span<const uint8_t> image, std::string& error);

}  // namespace image
