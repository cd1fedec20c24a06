// The bank tool works in the names of the teacher's tools' library
// (tools/teacher_kit/toolkit): paths and whole files, UTF-8 and GBK texts, the message
// table, problems with their row and column, staged outputs, the update
// public key a teacher gives.
#pragma once

#include "tools/teacher_kit/toolkit/public_key_file.h"
#include "tools/teacher_kit/toolkit/staged_outputs.h"
#include "tools/teacher_kit/toolkit/tool_files.h"
#include "tools/teacher_kit/toolkit/tool_messages.h"
#include "tools/teacher_kit/toolkit/tool_problem.h"
#include "tools/teacher_kit/toolkit/tool_text.h"

namespace banktool {
using namespace toolkit;
}  // namespace banktool
