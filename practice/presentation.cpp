#include "practice/presentation.h"

// Question presentation is not built yet: these routines are bound to their
// buttons and drawing boards and do nothing until the question bank arrives.
void ShowQuestion() {}
void NextQuestion() {}
void PreviousQuestion() {}
void ShowReferenceAnswer() {}
