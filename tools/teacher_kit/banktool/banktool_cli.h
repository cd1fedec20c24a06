// The command line of banktool.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/teacher_kit/toolkit/tool_options.h"

namespace banktool {

using toolkit::kExitDone;
using toolkit::kExitProblems;
using toolkit::kExitUsage;

// Runs one command. `args` are the UTF-8 arguments after the program name.
int RunBankTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The text that --help prints.
std::string HelpText();

}  // namespace banktool
