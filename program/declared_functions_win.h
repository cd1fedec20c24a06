// The Win32 functions the program declares, as the program calls them: the
// runtime binds each by name from its DLL (a system DLL for an empty DLL
// text) and hands the program the bound addresses in declaration order.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>

namespace program {

// One member per declared function, in declaration order.
struct DeclaredFunctions {
#define TESSALY_DECLARED_FUNCTION(name, dll) decltype(&::name) name;
#include "program/declared_functions.def"
#undef TESSALY_DECLARED_FUNCTION
};
inline constexpr uint32_t kDeclaredFunctionCount = sizeof(DeclaredFunctions) / sizeof(void*);

// The functions as bound for the running program. A program started by the
// runtime support library has the library's binding (UseDeclaredFunctions);
// a program linked with the runtime directly binds them itself on first use.
const DeclaredFunctions& Declared();

// Takes the bound addresses, in declaration order; false, and nothing taken,
// when one is missing.
bool UseDeclaredFunctions(const void* const* addresses, uint32_t count);

// The address of `name` exported by `dll`, or, for an empty DLL text, by one
// of the system DLLs (kernel32, user32, advapi32, gdi32, shell32); null when
// it is not found. Loads the DLL when it is not loaded yet.
void* BindDeclaredFunction(const char* name, const char* dll);

}  // namespace program
