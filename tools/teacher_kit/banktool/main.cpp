// banktool: the question-bank tool for teachers. See banktool --help.
#include "tools/teacher_kit/banktool/banktool_cli.h"
#include "tools/teacher_kit/banktool/drop_build.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

#ifdef _WIN32
// Double-clicked, it says how it is used; with a file dropped onto it, it
// builds the bank (cli.cpp); either way the window Explorer opened for it
// waits for a key before it closes.
int wmain(int argc, wchar_t** argv) {
  const bool ownConsole = banktool::ConsoleIsOurOwn();
  int code;
  if (argc == 1 && ownConsole) {
    code = banktool::RunTool(argc, argv, [](const std::vector<std::string>&, std::ostream& out, std::ostream&) {
      banktool::DoubleClickHelp(out);
      return 0;
    });
  } else {
    code = banktool::RunTool(argc, argv, banktool::RunBankTool);
  }
  if (ownConsole && argc <= 2) banktool::WaitForKey("\n" + banktool::Say(banktool::Msg::PressAnyKey));
  return code;
}
#else
int main(int argc, char** argv) { return banktool::RunTool(argc, argv, banktool::RunBankTool); }
#endif
