#include "answer/answering.h"

// Answering in the equation editor is not built yet: bound to 答题, 答题画板
// and 时钟1, these do nothing for now.
void StartAnswering() {}
void ReloadAnswerPicture() {}
