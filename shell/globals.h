#pragma once

// Prepares the global slots: PracticePaper gets the empty array, every other
// slot stays zero.
void InitGlobals();
// Frees the heap blocks of the global slots at process end.
void ReleaseGlobals();
