// The routine table: every routine that an event binding of the window
// definition may name (program/routines.def), found by the runtime by that name.
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
#define TESSALY_ROUTINE(name) {#name, name},
#include "program/routines.def"
#undef TESSALY_ROUTINE
};

}  // namespace

std::span<const rt::Routine> RoutineTable() { return kRoutines; }
