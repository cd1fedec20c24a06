#include "program/routine_names.h"

namespace program {
namespace {

constexpr const char* kNames[] = {
    "OnMainWindowCreated",
    "OnPageChanged",
    "PreviousQuestion",
    "NextQuestion",
    "StartAnswering",
    "ShowReferenceAnswer",
    "ReloadAnswerPicture",
    "ComposePaper",
    "AddKeyword",
    "RemoveKeyword",
    "SelectAllKeywords",
    "CancelAllKeywords",
    "MoveKeywordToSelected",
    "MoveKeywordToCandidates",
    "UpgradeBank",
    "UpgradeMainProgram",
    "LogUnpackProgress",
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
