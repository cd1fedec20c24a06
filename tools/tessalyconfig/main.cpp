// tessalyconfig: gives a built program a school's settings. See tessalyconfig --help.
#include "tools/tessalyconfig/cli.h"
#include "tools/banktool/platform.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return banktool::RunTool(argc, argv, tessalyconfig::RunConfigTool); }
#else
int main(int argc, char** argv) { return banktool::RunTool(argc, argv, tessalyconfig::RunConfigTool); }
#endif
