#pragma once

#include "runtime/program.h"

// The program as the runtime runs it: window definition, routine table, entry.
const rt::ProgramDescription& TessalyProgram();
