#pragma once

// The answer file handed to the equation editor, in the three forms the
// program uses: written with the blank template, appended to the editor's
// command line, and read back for the answer board.
inline constexpr const char* kAnswerFileForTemplate = "c:/ans.gif";
inline constexpr const char* kAnswerFileArgument = " c:\\ans.gif";
inline constexpr const char* kAnswerFileToReload = "c:\\ans.gif";

// Starts the equation editor on the answer file and waits for it to end.
void StartAnswering();
// Shows the answer file on the answer board (each tick of 时钟1).
void ReloadAnswerPicture();
