#pragma once

// The program's entry routine: globals, main window, message loop, exit code 0.
[[noreturn]] void ProgramEntry();
// Creation-complete handler of the main window.
void OnMainWindowCreated();
// 1 when another instance runs; otherwise marks this one as running and gives 0.
int IsAlreadyRunning();
// Page-change handler of 选择夹1: page 3 opens the feedback guestbook.
void OnPageChanged();
