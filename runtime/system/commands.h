// The programs family: running another program by its command line.
#pragma once

#include <string_view>

namespace rt {

// Starts the command line exactly as given (the program path is not quoted or
// changed). With wait set, returns only when the program has ended; meanwhile
// the window keeps painting and answering other programs' queries, but clicks
// and keys wait until the program has ended. True when the program started.
bool RunCommandLine(std::string_view commandLine, bool wait);

}  // namespace rt
