#include "program/declared_functions_win.h"

#include <cstring>

#include "program/function_declarations.h"

namespace program {
namespace {

constexpr const char* kSystemDlls[] = {"kernel32.dll", "user32.dll", "advapi32.dll", "gdi32.dll", "shell32.dll"};

DeclaredFunctions g_bound{};
bool g_used = false;

DeclaredFunctions BindByName() {
  void* addresses[kDeclaredFunctionCount] = {};
  const auto list = DeclaredFunctionList();
  for (uint32_t i = 0; i < kDeclaredFunctionCount && i < list.size(); ++i) {
    addresses[i] = BindDeclaredFunction(list[i].name, list[i].dll);
  }
  DeclaredFunctions bound;
  std::memcpy(&bound, addresses, sizeof bound);
  return bound;
}

}  // namespace

const DeclaredFunctions& Declared() {
  if (g_used) return g_bound;
  static const DeclaredFunctions own = BindByName();
  return own;
}

bool UseDeclaredFunctions(const void* const* addresses, uint32_t count) {
  if (!addresses || count != kDeclaredFunctionCount) return false;
  for (uint32_t i = 0; i < count; ++i) {
    if (!addresses[i]) return false;
  }
  std::memcpy(&g_bound, addresses, sizeof g_bound);
  g_used = true;
  return true;
}

void* BindDeclaredFunction(const char* name, const char* dll) {
  if (!name || !*name) return nullptr;
  const auto find = [name](const char* file) -> void* {
    HMODULE module = GetModuleHandleA(file);
    if (!module) module = LoadLibraryA(file);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
  };
  if (dll && *dll) return find(dll);
  for (const char* system : kSystemDlls) {
    if (void* address = find(system)) return address;
  }
  return nullptr;
}

}  // namespace program
