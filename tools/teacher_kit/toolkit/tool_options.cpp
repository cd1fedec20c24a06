#include "tools/teacher_kit/toolkit/tool_options.h"

#include <optional>

#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace toolkit {

bool ParseOptions(const std::vector<std::string>& args, size_t first, const OptionRules& rules,
                  std::map<std::string, std::string>& values, std::string& problem) {
  const auto fail = [&](std::string text) {
    problem = std::move(text);
    return false;
  };
  for (size_t i = first; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> value;
    if (const auto equals = option.find('='); option.starts_with("--") && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
    }
    if (rules.switches.contains(option)) {
      if (value) return fail(Say(Msg::OptionTakesNoValue, option));
      if (!values.emplace(option, "").second) return fail(Say(Msg::OptionTwice, option));
      continue;
    }
    if (!rules.valued.contains(option)) {
      return fail(Say(option.starts_with("-") ? Msg::UnknownOption : Msg::UnexpectedArgument, option));
    }
    if (!value) {
      if (i + 1 >= args.size()) return fail(Say(Msg::OptionNeedsValue, option));
      value = args[++i];
    }
    if (!values.emplace(option, *value).second) return fail(Say(Msg::OptionTwice, option));
  }
  for (const std::string& option : rules.required) {
    if (!values.contains(option)) return fail(Say(Msg::MissingOption, option));
  }
  return true;
}

void ReportProblem(std::ostream& err, std::string_view who, std::string_view text) {
  err << Say(Msg::ToolLine, who, text) << "\n";
}

int ReportUsage(std::ostream& err, std::string_view who, std::string_view tool, std::string_view text) {
  err << Say(Msg::ToolUsage, who, text, tool) << "\n";
  return kExitUsage;
}

}  // namespace toolkit
