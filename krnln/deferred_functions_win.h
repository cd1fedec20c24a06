// Declared functions whose DLL start-up does not need: those of a DLL that is
// not a system DLL (program/declared_functions.def), the WinINet functions,
// first called by the update thread. Instead of loading WinINet (and what it
// loads) before the window is up, the runner hands the program a stand-in for
// each, which loads the DLL and binds the function on its first call.
#pragma once

#include <string>

namespace krnln {

// Shows why the image cannot run and ends the process (exit code -1).
using RefuseFunction = void (*)(const std::string& reason);

// The stand-in for this declared function when its DLL is not loaded yet and
// the runner has a stand-in for it; null otherwise (it is then bound at once).
// A function the DLL turns out not to have is refused through `refuse` when
// first called, with the reason start-up would have given.
void* DeferredFunction(const std::string& name, const std::string& dll, RefuseFunction refuse);

}  // namespace krnln
