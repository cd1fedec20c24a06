// The routine table: every routine that an event binding of the window
// definition names, found by the runtime by that name.
#include "shell/routines.h"

#include "answer/answering.h"
#include "practice/composition.h"
#include "practice/presentation.h"
#include "shell/keywords.h"
#include "shell/startup.h"
#include "update/bank_upgrade.h"
#include "update/program_upgrade.h"

namespace {

const rt::Routine kRoutines[] = {
    {"OnMainWindowCreated", OnMainWindowCreated},
    {"OnPageChanged", OnPageChanged},
    {"PreviousQuestion", PreviousQuestion},
    {"NextQuestion", NextQuestion},
    {"StartAnswering", StartAnswering},
    {"ShowReferenceAnswer", ShowReferenceAnswer},
    {"ReloadAnswerPicture", ReloadAnswerPicture},
    {"ComposePaper", ComposePaper},
    {"AddKeyword", AddKeyword},
    {"RemoveKeyword", RemoveKeyword},
    {"SelectAllKeywords", SelectAllKeywords},
    {"CancelAllKeywords", CancelAllKeywords},
    {"MoveKeywordToSelected", MoveKeywordToSelected},
    {"MoveKeywordToCandidates", MoveKeywordToCandidates},
    {"UpgradeBank", UpgradeBank},
    {"UpgradeMainProgram", UpgradeMainProgram},
    {"LogUnpackProgress", LogUnpackProgress},
};

}  // namespace

std::span<const rt::Routine> RoutineTable() { return kRoutines; }
