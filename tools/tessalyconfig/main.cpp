// tessalyconfig: gives a built program a school's settings. See tessalyconfig --help.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/tessalyconfig/cli.h"

#ifdef _WIN32
#include <windows.h>

#include "tools/banktool/platform.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(banktool::WideToUtf8(argv[i]));
  std::ostringstream out, err;
  const int code = tessalyconfig::RunConfigTool(args, out, err);
  banktool::WriteStandard(STD_OUTPUT_HANDLE, out.str());
  banktool::WriteStandard(STD_ERROR_HANDLE, err.str());
  return code;
}

#else

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tessalyconfig::RunConfigTool(args, std::cout, std::cerr);
}

#endif
