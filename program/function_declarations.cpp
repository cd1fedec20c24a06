#include "program/function_declarations.h"

namespace program {
namespace {

constexpr FunctionDeclaration kFunctions[] = {
    {"CreateThread", ""},
    {"TerminateThread", ""},
    {"InternetOpenA", "wininet.dll"},
    {"InternetConnectA", "wininet.dll"},
    {"HttpOpenRequestA", "wininet.dll"},
    {"HttpSendRequestA", "wininet.dll"},
    {"InternetReadFile", "wininet.dll"},
    {"HttpQueryInfoA", "wininet.dll"},
    {"InternetCloseHandle", "wininet.dll"},
    {"InternetSetCookieA", "wininet.dll"},
    {"CallWindowProcA", ""},
    {"OpenEventA", ""},
    {"CreateEventA", ""},
};

}  // namespace

std::span<const FunctionDeclaration> DeclaredFunctionList() { return kFunctions; }

}  // namespace program
