// The command line of banktool.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace banktool {

// Exit codes: done, the input or an output had a problem, the command line
// was wrong.
inline constexpr int kExitDone = 0;
inline constexpr int kExitProblems = 1;
inline constexpr int kExitUsage = 2;

// Runs one command. `args` are the UTF-8 arguments after the program name.
int RunBankTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The text that --help prints.
std::string HelpText();

}  // namespace banktool
