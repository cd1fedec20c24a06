#include "program/global_slots.h"

#include <new>

namespace program {
namespace {

GlobalSlots g_own;
GlobalSlots* g_slots = &g_own;

}  // namespace

GlobalSlots& Globals() { return *g_slots; }

bool UseGlobalSlots(void* memory, size_t size) {
  if (!memory || size != sizeof(GlobalSlots) || reinterpret_cast<uintptr_t>(memory) % alignof(GlobalSlots) != 0) {
    return false;
  }
  // Zero bytes are the slots' state at start; constructing them there makes
  // them live objects without changing a byte.
  g_slots = new (memory) GlobalSlots;
  return true;
}

}  // namespace program
