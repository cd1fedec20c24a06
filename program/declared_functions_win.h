// The Win32 functions the program declares, as the program calls them: the
// runtime binds each by name from its DLL (a system DLL for an empty DLL
// text) and hands the program the bound addresses in declaration order.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>

namespace program {

// One member per declared function, in declaration order (program_image.cpp
// lists the same names and DLLs for the image).
struct DeclaredFunctions {
  decltype(&::CreateThread) CreateThread;
  decltype(&::TerminateThread) TerminateThread;
  decltype(&::InternetOpenA) InternetOpenA;
  decltype(&::InternetConnectA) InternetConnectA;
  decltype(&::HttpOpenRequestA) HttpOpenRequestA;
  decltype(&::HttpSendRequestA) HttpSendRequestA;
  decltype(&::InternetReadFile) InternetReadFile;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA;
  decltype(&::InternetCloseHandle) InternetCloseHandle;
  decltype(&::InternetSetCookieA) InternetSetCookieA;
  decltype(&::CallWindowProcA) CallWindowProcA;
  decltype(&::OpenEventA) OpenEventA;
  decltype(&::CreateEventA) CreateEventA;
};
inline constexpr uint32_t kDeclaredFunctionCount = 13;
static_assert(sizeof(DeclaredFunctions) == kDeclaredFunctionCount * sizeof(void*));

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
