#include "krnln/deferred_functions_win.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>

namespace krnln {
namespace {

struct Deferred {
  const char* name;
  const char* dll;
  void* standIn;
};

RefuseFunction g_refuse = nullptr;
std::atomic<void*> g_bound[8];

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

#define TESSALY_DEFERRED(index, function) \
  {#function, "wininet.dll", reinterpret_cast<void*>(&StandIn<index, decltype(function)>::Call)}
const Deferred kDeferred[] = {
    TESSALY_DEFERRED(0, InternetOpenA),      TESSALY_DEFERRED(1, InternetConnectA),
    TESSALY_DEFERRED(2, HttpOpenRequestA),   TESSALY_DEFERRED(3, HttpSendRequestA),
    TESSALY_DEFERRED(4, InternetReadFile),   TESSALY_DEFERRED(5, HttpQueryInfoA),
    TESSALY_DEFERRED(6, InternetCloseHandle), TESSALY_DEFERRED(7, InternetSetCookieA),
};
#undef TESSALY_DEFERRED
static_assert(std::size(kDeferred) == std::size(g_bound));

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
  if (GetModuleHandleA(dll.c_str())) return nullptr;
  for (const Deferred& function : kDeferred) {
    if (name == function.name && lstrcmpiA(dll.c_str(), function.dll) == 0) {
      g_refuse = refuse;
      return function.standIn;
    }
  }
  return nullptr;
}

}  // namespace krnln
