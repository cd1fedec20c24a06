// The runtime's services gathered in the table a program it runs calls
// through. Each member takes the runtime function of its name; the member's
// type picks the overload.
#include "runtime/services.h"

#include "runtime/controls.h"
#include "runtime/dialogs.h"
#include "runtime/commands.h"
#include "runtime/files.h"
#include "runtime/ini.h"
#include "runtime/internet.h"
#include "runtime/random.h"
#include "runtime/texts.h"

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
