#include "update/upgrade_log.h"

#include <string>

#include "program/control_ids.h"
#include "runtime/window/controls.h"

void AppendUpgradeLog(std::string_view line) {
  std::string log(rt::GetCaption(program::升级过程).view());
  log += line;
  rt::SetCaption(program::升级过程, log);
}
