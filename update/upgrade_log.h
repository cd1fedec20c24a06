// The upgrade log, the label 升级过程 on the upgrade page: each entry a line
// ending in CR LF.
#pragma once

#include <string_view>

// Adds `line` (with its CR LF) at the end of the log.
void AppendUpgradeLog(std::string_view line);
