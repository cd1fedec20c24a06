// banktool: the question-bank tool for teachers. See banktool --help.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/banktool/cli.h"

#ifdef _WIN32
#include <windows.h>

#include "tools/banktool/platform.h"

using banktool::WideToUtf8;
using banktool::WriteStandard;

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(WideToUtf8(argv[i]));
  std::ostringstream out, err;
  const int code = banktool::RunBankTool(args, out, err);
  WriteStandard(STD_OUTPUT_HANDLE, out.str());
  WriteStandard(STD_ERROR_HANDLE, err.str());
  return code;
}

#else

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return banktool::RunBankTool(args, std::cout, std::cerr);
}

#endif
