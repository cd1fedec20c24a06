#pragma once

#include <span>

#include "runtime/program.h"

// The routine table: every routine an event binding of the main window may
// name, in the order of the image's routine directory (program/routines.def).
std::span<const rt::Routine> RoutineTable();
