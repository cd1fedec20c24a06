// A failed internal check off Windows: say which on standard error and abort
// (runtime/data/invariant.h).
#include <cstdio>
#include <cstdlib>

#include "runtime/data/invariant.h"

namespace rt {

void InvariantBroken(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "internal check failed: %s (%s:%d)\n", condition, file, line);
  std::abort();
}

}  // namespace rt
