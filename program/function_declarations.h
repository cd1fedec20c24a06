// The Win32 functions the program declares, in declaration order: the index
// of a function is its position. An empty DLL text means the system DLLs.
#pragma once

#include <span>

namespace program {

struct FunctionDeclaration {
  const char* name;
  const char* dll;
};

std::span<const FunctionDeclaration> DeclaredFunctionList();

}  // namespace program
