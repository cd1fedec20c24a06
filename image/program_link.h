// How the runtime support library links up with the program whose image it
// runs. The program's routines are compiled into the module that carries the
// image (the launcher); that module exports one function under
// kProgramLinkExport. The runner finds the module by the image's address,
// calls the function with what the program needs from the runtime, and gets
// the program's routine table and entry routine back.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/program.h"
#include "runtime/services.h"

namespace image {

inline constexpr char kProgramLinkExport[] = "TessalyLinkProgram";
inline constexpr uint32_t kProgramLinkVersion = 1;

struct ProgramLinkRequest {
  uint32_t version = kProgramLinkVersion;
  const rt::ServiceTable* services = nullptr;      // every runtime service
  const void* const* declaredFunctions = nullptr;  // the declared functions as bound, in declaration order
  uint32_t declaredFunctionCount = 0;
  void* globals = nullptr;  // the "var" segment: the program's global slots
  uint32_t globalsSize = 0;
};

struct ProgramLink {
  std::span<const rt::Routine> routines;  // the routine table, in the order the image's directory names it
  rt::RoutineFunction entry = nullptr;    // the entry routine
};

// True when the program took what it was given and filled `link`; false when
// it cannot run with it (an older service table, a missing function, globals
// of another size).
using LinkProgramFunction = bool (*)(const ProgramLinkRequest& request, ProgramLink& link);

}  // namespace image
