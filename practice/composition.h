#pragma once

// Composes a practice paper from the selected keywords and shows its first question.
void ComposePaper();
