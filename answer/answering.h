#pragma once

void StartAnswering();
void ReloadAnswerPicture();
