// The table of runtime services the runtime support library hands a program
// it runs. The program's code calls rt:: functions as declared in the
// runtime's headers; in the program that is linked without the runtime, each
// of them calls through this table (services_client_win.cpp), and the library
// fills the table with its own functions (services_table_win.cpp).
//
// Both modules are built by the same compiler from the same headers, so the
// table passes the runtime's own types (texts, byte sets, paths) as they are.
// Every heap block of a text, byte set or array comes from the library's
// memory family, whichever module asks for it, so either side may free it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "runtime/crypto/p256_signatures.h"
#include "runtime/data/blocks.h"
#include "runtime/data/database.h"
#include "runtime/files/file_system.h"
#include "runtime/files/paths.h"
#include "runtime/files/places.h"
#include "runtime/files/staged_install.h"
#include "runtime/program.h"
#include "runtime/window/unpacker.h"

namespace rt {

// Grows whenever a service is added or changed; a program refuses a table older than it.
inline constexpr uint32_t kServiceTableVersion = 5;

struct ServiceTable {
  uint32_t version = kServiceTableVersion;
  uint32_t size = 0;  // sizeof(ServiceTable) in the library that filled it
  void (*EndProcess)(int exitCode) = nullptr;
#define TESSALY_SERVICE(result, name, parameters, arguments) result(*name) parameters = nullptr;
#include "runtime/services.def"
#undef TESSALY_SERVICE
};

// The runtime's own table (in the library).
const ServiceTable& RuntimeServices();

// In a program linked without the runtime: the table every rt:: call goes
// through from now on. False, and nothing changed, for a table that is not
// complete for this program.
bool AttachRuntimeServices(const ServiceTable* table);

}  // namespace rt
