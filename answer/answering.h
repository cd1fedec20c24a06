#pragma once

// Puts the blank answer (AnswerTemplate) in the answer file, replacing the
// student's answer to the question shown before (each ShowQuestion).
void WriteBlankAnswer();
// Starts the equation editor on the answer file and waits for it to end.
void StartAnswering();
// Shows the answer file on the answer board (each tick of 时钟1).
void ReloadAnswerPicture();
