// The memory family: every block of a text, byte set or array comes from here.
// A program run by the runtime support library reaches these through the
// service table, so all blocks come from the library's heap.
#include <cstdlib>
#include <new>

#include "runtime/data/blocks.h"

namespace rt {

void* Alloc(size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void* Realloc(void* block, size_t size) {
  void* p = std::realloc(block, size ? size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void Free(void* block) { std::free(block); }

}  // namespace rt
