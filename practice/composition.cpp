#include "practice/composition.h"

// Paper composition over the question bank is not built yet: the routine is
// wired to 组题 and start-up, and does nothing until the bank arrives.
void ComposePaper() {}
