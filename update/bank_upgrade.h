#pragma once

// Downloads and installs a new question bank.
void UpgradeBank();
// Restores a missing question bank and keyword file from the update server.
void SelfRepair();
// Progress handler of the unpacker 解压器.
void LogUnpackProgress();
