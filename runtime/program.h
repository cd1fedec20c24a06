// The process family: starting the program, its message loop and its end.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/data/blocks.h"
#include "runtime/window/form.h"

namespace rt {

using RoutineFunction = void (*)();

// A compiled routine of the program, found by name by the window's event
// bindings.
struct Routine {
  const char* name;
  RoutineFunction function;
};

// A byte-set constant of the program, found by name.
struct NamedBytes {
  std::string_view name;
  std::span<const uint8_t> bytes;
};

struct ProgramDescription {
  const FormDefinition& form;               // the main window's stored definition
  std::span<const Routine> routines;        // every routine an event binding may name
  RoutineFunction entry;                    // the program's entry routine
  std::span<const NamedBytes> constants{};  // the byte-set constants
};

// Keeps the description, prepares the runtime and runs the entry routine. Does
// not return: the process ends through EndProcess.
[[noreturn]] void RunProgram(const ProgramDescription& program);

// The routine run once when the process ends through EndProcess.
void RegisterExitRoutine(RoutineFunction routine);

// Runs the exit routine, then ends the process with this exit code.
[[noreturn]] void EndProcess(int exitCode);

// Creates the main window and its controls from the program's stored
// definition, runs its creation-complete handler, then shows it.
void CreateStartWindow();

// Dispatches window messages until the main window is closed.
void RunMessageLoop();

// Handles the window messages waiting for the calling thread, then returns.
void ProcessPendingEvents();

// A copy of the program's byte-set constant of this name; the empty byte set
// when the program has none of that name.
ByteSet ByteSetConstant(std::string_view name);

// Milliseconds since the system started.
uint32_t TickCount();

// Starts a thread running the routine; returns its handle (0 on failure).
uintptr_t StartThread(RoutineFunction routine);

// Waits until the handle is signalled, a window message (posted, or sent from
// another thread) arrives for the calling thread, or `timeoutMs` pass; the CPU
// rests meanwhile. True when the handle is signalled. Once the thread's quit
// message is waiting for the message loop, only sent messages end the wait.
bool WaitForHandleOrMessage(uintptr_t handle, uint32_t timeoutMs);

// Waits until the handle is signalled or `timeoutMs` pass; true when signalled.
bool WaitForHandle(uintptr_t handle, uint32_t timeoutMs);

// Gives a handle (of a thread, for example) back to the system.
void ReleaseHandle(uintptr_t handle);

}  // namespace rt
