// The archives family: the unpacker component, a unit of the main window
// without a window of its own (解压器). Unpacking raises the unit's progress
// event (event 1) once per member, which the window's event wiring hands to
// the bound handler; during the event the component's text is the member's
// name, or for a member it refused, the name followed by the reason.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/data/blocks.h"
#include "runtime/files/unpack.h"

namespace rt {

// Unpacks the zip archive `archive` into the folder `target` (GBK names; a
// relative name is taken in the current directory; the folder is made when
// missing) within `limits` (UnpackArchive). Members whose names are
// absolute, have a drive letter, hold ".." or would replace program code
// (.exe, .dll, .fnr, .fne, ...) or a kept file are refused: nothing is
// written outside `target`. Member names are read as UTF-8 when the
// archive's flag says so, otherwise as GBK.
UnpackReport Unpack(uint32_t unpacker, std::string_view archive, std::string_view target, const UnpackLimits& limits);

// The component's text: the member of the latest progress event.
Text UnpackerText(uint32_t unpacker);

// The text the component reports for a member (GBK).
Text MemberProgressText(const MemberReport& member);

}  // namespace rt
