// banktool: the question-bank tool for teachers. See banktool --help.
#include "tools/banktool/cli.h"
#include "tools/banktool/platform.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return banktool::RunTool(argc, argv, banktool::RunBankTool); }
#else
int main(int argc, char** argv) { return banktool::RunTool(argc, argv, banktool::RunBankTool); }
#endif
