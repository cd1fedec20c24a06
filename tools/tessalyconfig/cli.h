// The command line of tessalyconfig, the tool that gives a built program a
// school's settings (program/program_settings.h) without a compiler.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tessalyconfig {

// Exit codes: done, a file or a value had a problem, the command line was wrong.
inline constexpr int kExitDone = 0;
inline constexpr int kExitProblems = 1;
inline constexpr int kExitUsage = 2;

// Runs one command. `args` are the UTF-8 arguments after the program name.
int RunConfigTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessalyconfig
