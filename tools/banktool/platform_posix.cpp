#include <unistd.h>

#include "tools/banktool/platform.h"

namespace banktool {

std::string ErrorText(const std::error_code& error) { return error.message(); }

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace banktool
