// Internet transfers: what the runtime adds to the program's declared WinINet
// functions.
#pragma once

#include <cstdint>

namespace rt {

// Bounds WinINet's blocking calls on this handle (an Internet, connection or
// request handle): connecting and sending give up after `sendMs`, receiving
// after `receiveMs` milliseconds (each at least 1; 0 would mean never).
void SetTransferTimeouts(void* internetHandle, uint32_t sendMs, uint32_t receiveMs);

}  // namespace rt
