#include "krnln/deferred_functions_win.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>
#include <string>

namespace krnln {
namespace {

struct Deferred {
  const char* name;
  const char* dll;
  void* standIn;
};

// Each declared function's place in the table of declared functions.
enum DeclaredIndex : size_t {
#define TESSALY_DECLARED_FUNCTION(name, dll) k##name,
#include "program/declared_functions.def"
#undef TESSALY_DECLARED_FUNCTION
  kDeclaredCount
};

RefuseFunction g_refuse = nullptr;
std::atomic<void*> g_bound[kDeclaredCount];

void* Bind(size_t index);

// The stand-in for entry I of kDeferred: binds the function, then calls it
// with the same arguments. Called from any thread; two first calls at once
// both bind it, to the same address.
template <size_t I, typename Function>
struct StandIn;
template <size_t I, typename Result, typename... Arguments>
struct StandIn<I, Result(Arguments...)> {
  static Result WINAPI Call(Arguments... arguments) {
    void* bound = g_bound[I].load(std::memory_order_acquire);
    if (!bound) bound = Bind(I);
    return reinterpret_cast<Result(WINAPI*)(Arguments...)>(bound)(arguments...);
  }
};

// Every declared function of a DLL of its own (the system DLLs' are loaded
// already) has a stand-in.
const Deferred kDeferred[] = {
#define TESSALY_DECLARED_FUNCTION(name, dll) \
  {#name, dll, reinterpret_cast<void*>(&StandIn<k##name, decltype(name)>::Call)},
#include "program/declared_functions.def"
#undef TESSALY_DECLARED_FUNCTION
};

void* Bind(size_t index) {
  const Deferred& function = kDeferred[index];
  HMODULE module = LoadLibraryA(function.dll);
  void* address = module ? reinterpret_cast<void*>(GetProcAddress(module, function.name)) : nullptr;
  if (!address) {
    g_refuse("声明的函数 " + std::string(function.name) + " 在 " + function.dll + " 中找不到。");
    ExitProcess(static_cast<UINT>(-1));
  }
  g_bound[index].store(address, std::memory_order_release);
  return address;
}

}  // namespace

void* DeferredFunction(const std::string& name, const std::string& dll, RefuseFunction refuse) {
  if (dll.empty()) return nullptr;  // a system DLL's: loaded already
  // Whether the DLL is loaded already is asked once per DLL: the image
  // declares its functions one after the other, and each question of a DLL
  // that is not loaded has the loader look the file up on disk.
  static std::string lastDll;
  static bool lastDllLoaded = false;
  if (lastDll.empty() || lstrcmpiA(dll.c_str(), lastDll.c_str()) != 0) {
    lastDll = dll;
    lastDllLoaded = GetModuleHandleA(dll.c_str()) != nullptr;
  }
  if (lastDllLoaded) return nullptr;
  for (const Deferred& function : kDeferred) {
    if (*function.dll && name == function.name && lstrcmpiA(dll.c_str(), function.dll) == 0) {
      g_refuse = refuse;
      return function.standIn;
    }
  }
  return nullptr;
}

}  // namespace krnln
