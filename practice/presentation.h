#pragma once

// Shows the question at position CurrentQuestion of the practice paper.
void ShowQuestion();
void NextQuestion();
void PreviousQuestion();
// Shows the reference answer of the question on show.
void ShowReferenceAnswer();
