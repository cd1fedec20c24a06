// The runtime services of a program that is linked without the runtime: each
// rt:: function calls the runtime support library through the table it
// handed the program before running it.
#include "runtime/services.h"

#include <cstdlib>

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
namespace {

const ServiceTable* g_services = nullptr;

const ServiceTable& Services() {
  // Only the library calls into the program, and it attaches first; a call
  // before that is a fault of the program's start, not something to limp past.
  if (!g_services) std::abort();
  return *g_services;
}

}  // namespace

bool AttachRuntimeServices(const ServiceTable* table) {
  if (!table || table->version < kServiceTableVersion || table->size < sizeof(ServiceTable)) return false;
  if (!table->EndProcess) return false;
#define TESSALY_SERVICE(result, name, parameters, arguments) \
  if (!table->name) return false;
#include "runtime/services.def"
#undef TESSALY_SERVICE
  g_services = table;
  return true;
}

void EndProcess(int exitCode) {
  Services().EndProcess(exitCode);
  std::abort();  // the runtime's EndProcess does not return
}

#define TESSALY_SERVICE(result, name, parameters, arguments) \
  result name parameters { return Services().name arguments; }
#include "runtime/services.def"
#undef TESSALY_SERVICE

}  // namespace rt
