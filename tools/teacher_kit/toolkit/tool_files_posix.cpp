#include <unistd.h>

#include <iostream>

#include "tools/teacher_kit/toolkit/tool_files.h"
#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace toolkit {

std::string ErrorText(const std::error_code& error) { return error.message(); }

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

int RunTool(int argc, char** argv, ToolFunction tool) {
  SetLanguage(LanguageFromEnvironment());
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tool(args, std::cout, std::cerr);
}

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

fs::path ToolFolder() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path(ec) : self.parent_path();
}

// A terminal on Linux stays open after the tool: nothing to wait for.
bool ConsoleIsOurOwn() { return false; }
void WaitForKey(std::string_view) {}

}  // namespace toolkit
