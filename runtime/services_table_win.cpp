// The runtime's services gathered in the table a program it runs calls
// through. Each member takes the runtime function of its name; the member's
// type picks the overload.
#include "runtime/services.h"

#include "runtime/window/controls.h"
#include "runtime/window/dialogs.h"
#include "runtime/system/commands.h"
#include "runtime/files/file_access.h"
#include "runtime/data/ini.h"
#include "runtime/files/ini_files.h"
#include "runtime/system/internet.h"
#include "runtime/data/random.h"
#include "runtime/data/texts.h"

namespace rt {

const ServiceTable& RuntimeServices() {
  static const ServiceTable table = [] {
    ServiceTable t;
    t.size = sizeof(ServiceTable);
    t.EndProcess = &EndProcess;
#define TESSALY_SERVICE(result, name, parameters, arguments) t.name = &name;
#include "runtime/services.def"
#undef TESSALY_SERVICE
    return t;
  }();
  return table;
}

}  // namespace rt
