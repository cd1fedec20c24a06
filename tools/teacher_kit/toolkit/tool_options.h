// The command line as both teacher's tools read it, and the one way they
// report a problem. An option's value follows it (--out FOLDER) or is joined
// to it (--out=FOLDER); a switch stands alone (--fit).
#pragma once

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

// Exit codes: done, the input or an output had a problem, the command line
// was wrong.
inline constexpr int kExitDone = 0;
inline constexpr int kExitProblems = 1;
inline constexpr int kExitUsage = 2;

struct OptionRules {
  std::set<std::string> valued;    // options that take a value
  std::set<std::string> switches;  // options without one
  std::set<std::string> required;  // valued options that must be there
};

// The options in args[first ...] by name (a switch's value is empty). False
// with what is wrong in `problem`: an unknown option or a stray argument, a
// value missing or given to a switch, an option given twice, a required one
// missing.
bool ParseOptions(const std::vector<std::string>& args, size_t first, const OptionRules& rules,
                  std::map<std::string, std::string>& values, std::string& problem);

// "banktool publish：<text>": a problem of the input or an output.
void ReportProblem(std::ostream& err, std::string_view who, std::string_view text);
// "banktool build：<text>（见 banktool --help）": a wrong command line;
// returns kExitUsage.
int ReportUsage(std::ostream& err, std::string_view who, std::string_view tool, std::string_view text);

}  // namespace toolkit
