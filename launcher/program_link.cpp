// The one function this executable exports: the runtime support library
// calls it, once, before it runs the program, to hand the program the
// runtime's services, the declared functions as bound and the global slots'
// memory, and to take the program's routine table and entry routine.
#include "program/declared_functions_win.h"
#include "program/global_slots.h"
#include "image/program_link.h"
#include "runtime/services.h"
#include "shell/routines.h"
#include "shell/startup.h"

extern "C" __declspec(dllexport) bool TessalyLinkProgram(const image::ProgramLinkRequest& request,
                                                         image::ProgramLink& link) {
  if (request.version != image::kProgramLinkVersion) return false;
  if (!rt::AttachRuntimeServices(request.services)) return false;
  if (!program::UseDeclaredFunctions(request.declaredFunctions, request.declaredFunctionCount)) return false;
  if (!program::UseGlobalSlots(request.globals, request.globalsSize)) return false;
  link.routines = RoutineTable();
  link.entry = [] { ProgramEntry(); };
  return true;
}
