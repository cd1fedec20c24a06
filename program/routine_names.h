// The names of the routines that event bindings may name, in the order of the
// program's routine table (both from routines.def). In the program image a
// binding names routine i by the code offset 16 × i, and the runtime runs
// entry i of the routine table for it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace program {

std::span<const char* const> RoutineNames();

// The position of a routine in the table, or nothing for a name not in it.
std::optional<uint32_t> RoutineIndex(std::string_view name);

// The program's entry routine, which has an entry of its own after the table's.
#define TESSALY_ROUTINE(name)
#define TESSALY_ENTRY_ROUTINE(name) inline constexpr const char* kEntryRoutineName = #name;
#include "program/routines.def"
#undef TESSALY_ROUTINE

}  // namespace program
