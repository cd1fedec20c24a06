#pragma once

void ShowQuestion();
void NextQuestion();
void PreviousQuestion();
void ShowReferenceAnswer();
