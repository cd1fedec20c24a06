// Checks of the runtime's internal invariants: conditions that hold unless
// the code itself is wrong, stated where a wrong assumption would otherwise
// go on silently with corrupted state (a pointer outside its array, a record
// key read past its list, a walk over the window's units that never ends).
//
// TESSALY_CHECK is live in every build, the Release builds the tests run and
// the program students get alike: it does not depend on NDEBUG, as assert
// does. A check costs a comparison; put none in a loop over bytes.
//
// When a check fails, the program stops at once rather than go on with state
// it can no longer trust:
//  - on Windows (the program, its runtime support library, the Windows
//    tools) a system-modal message box says "程序内部检查未通过" with the
//    condition, its file and line, and once it is answered the process ends
//    with exit code 4, no exit routines run and no file written after it;
//  - elsewhere (the native tests and tools) the same line goes to standard
//    error and the process aborts, which fails the test that ran it.
// Such a failure is a fault of the program, to be reported with that line.
#pragma once

namespace rt {

// The exit code of a process stopped by a failed check (Windows).
inline constexpr int kInvariantBrokenExitCode = 4;

[[noreturn]] void InvariantBroken(const char* condition, const char* file, int line);

}  // namespace rt

#define TESSALY_CHECK(condition)                                            \
  (__builtin_expect(static_cast<bool>(condition), 1) ? static_cast<void>(0) \
                                                     : ::rt::InvariantBroken(#condition, __FILE__, __LINE__))
