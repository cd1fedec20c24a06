// How the launcher gets the program runner from the runtime support library:
// the library's export kRunnerExport, called with kRunnerRequest, gives the
// runner (any other request gives 0), and the runner takes the image's
// address. Windows only.
#pragma once

#include <cstdint>

namespace image {

inline constexpr char kRunnerExport[] = "GetNewSock";
inline constexpr uint32_t kRunnerRequest = 1000;

using RunnerExportFunction = void*(__stdcall*)(uint32_t request);
using ProgramRunnerFunction = void(__stdcall*)(const uint8_t* image);

}  // namespace image
