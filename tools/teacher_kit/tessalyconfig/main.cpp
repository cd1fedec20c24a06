// tessalyconfig: gives a built program a school's settings. See tessalyconfig --help.
#include "tools/teacher_kit/tessalyconfig/tessalyconfig_cli.h"
#include "tools/teacher_kit/toolkit/tool_files.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return toolkit::RunTool(argc, argv, tessalyconfig::RunConfigTool); }
#else
int main(int argc, char** argv) { return toolkit::RunTool(argc, argv, tessalyconfig::RunConfigTool); }
#endif
