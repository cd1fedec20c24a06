#include "program/routine_names.h"

namespace program {
namespace {

constexpr const char* kNames[] = {
#define TESSALY_ROUTINE(name) #name,
#include "program/routines.def"
#undef TESSALY_ROUTINE
};

}  // namespace

std::span<const char* const> RoutineNames() { return kNames; }

std::optional<uint32_t> RoutineIndex(std::string_view name) {
  for (uint32_t i = 0; i < std::size(kNames); ++i) {
    if (name == kNames[i]) return i;
  }
  return std::nullopt;
}

}  // namespace program
