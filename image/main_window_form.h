// The main window's stored definition.
#pragma once

#include "runtime/form.h"

namespace image {

const rt::FormDefinition& MainWindowForm();

}  // namespace image
