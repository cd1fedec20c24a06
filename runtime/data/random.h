// The random family.
#pragma once

#include <cstdint>

namespace rt {

// Reseeds the generator from the clock and the system's entropy, so that each
// reseed starts a different sequence.
void Reseed();
// A random integer from low to high, both included.
int32_t RandomInRange(int32_t low, int32_t high);

}  // namespace rt
