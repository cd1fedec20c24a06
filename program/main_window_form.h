// The main window's stored definition.
#pragma once

#include "runtime/window/form.h"

namespace program {

const rt::FormDefinition& MainWindowForm();

}  // namespace program
