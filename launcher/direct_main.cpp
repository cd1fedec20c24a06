// The executable's entry: hands the program to the runtime, which runs its
// entry routine.
#include <windows.h>

#include "runtime/program.h"
#include "shell/routines.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { rt::RunProgram(TessalyProgram()); }
