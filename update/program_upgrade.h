#pragma once

// Downloads the new main program archive for the student to unpack.
void UpgradeMainProgram();
