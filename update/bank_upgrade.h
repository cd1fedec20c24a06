#pragma once

// Downloads and installs a new question bank (the click handler of
// 升级题库按钮). A failed or unusable download changes nothing: the old bank
// stays open and in place, and the log and the status line say why. Refused
// while another bank install is running.
void UpgradeBank();
// Restores a missing question bank and keyword file from the update server;
// ends the program when no server answers.
void SelfRepair();
// Progress handler of the unpacker 解压器: one log line per archive member.
void LogUnpackProgress();
// Completes or throws away a bank install that an earlier run left unfinished
// (see runtime/files/staged_install.h); run at start-up before anything opens the bank.
void FinishEarlierBankInstall();
