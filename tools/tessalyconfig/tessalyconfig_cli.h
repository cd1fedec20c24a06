// The command line of tessalyconfig, the tool that gives a built program a
// school's settings (program/program_settings.h) without a compiler.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/banktool/cli.h"

namespace tessalyconfig {

// The bank tool's exit codes: done, a file or a value had a problem, the
// command line was wrong.
using banktool::kExitDone;
using banktool::kExitProblems;
using banktool::kExitUsage;

// Runs one command. `args` are the UTF-8 arguments after the program name.
int RunConfigTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessalyconfig
