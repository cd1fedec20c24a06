#include "update/program_upgrade.h"

// The main program download is not built yet.
void UpgradeMainProgram() {}
