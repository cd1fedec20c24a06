// The command line of tessalyconfig, the tool that gives a built program a
// school's settings (program/program_settings.h) without a compiler.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/teacher_kit/toolkit/tool_options.h"

namespace tessalyconfig {

// The tools' exit codes: done, a file or a value had a problem, the command
// line was wrong.
using toolkit::kExitDone;
using toolkit::kExitProblems;
using toolkit::kExitUsage;

// Runs one command. `args` are the UTF-8 arguments after the program name.
int RunConfigTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessalyconfig
