#include "runtime/system/internet.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

namespace rt {
namespace {

void SetTimeout(HINTERNET handle, DWORD option, DWORD ms) {
  ms = std::max<DWORD>(ms, 1);  // 0 would mean "no time-out"
  InternetSetOptionA(handle, option, &ms, sizeof ms);
}

}  // namespace

void SetTransferTimeouts(void* internetHandle, uint32_t sendMs, uint32_t receiveMs) {
  SetTimeout(internetHandle, INTERNET_OPTION_CONNECT_TIMEOUT, sendMs);
  SetTimeout(internetHandle, INTERNET_OPTION_SEND_TIMEOUT, sendMs);
  SetTimeout(internetHandle, INTERNET_OPTION_RECEIVE_TIMEOUT, receiveMs);
}

}  // namespace rt
