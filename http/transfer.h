// The record of one transfer, shared by the FetchUrl call that made it and the
// worker thread that carries it out. Every call has its own record, so
// overlapping transfers (a self-repair on the window thread while the update
// check is fetching, or a nested call from an event handled while waiting)
// never see each other's parameters or bodies, and an abandoned transfer
// cannot reach a later one.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/data/blocks.h"

struct TransferState {
  rt::Text url;
  rt::Text method;      // "GET", "POST" or empty (GET)
  rt::Text proxy;       // empty or blanks: a direct connection; "system": the PC's settings
  std::string headers;  // the caller's extra header lines; the request completes them in place
  rt::Text postData;

  // The response body as it arrives; grows with amortized capacity.
  std::string body;
  // The longest body taken: a longer one ends the transfer without a result.
  size_t maxBody = SIZE_MAX;
  // WinINet handles closed apart from the transfer: closing a request whose
  // body was not read to its end reads the rest first, which for a body given
  // up as too long could take a while.
  std::shared_ptr<void> lingering;
  // Set by the worker before it ends: the body arrived whole, before the
  // deadline. Anything else (a refused or failed request, a body cut short, a
  // transfer past its deadline or abandoned) gives the caller the empty body.
  bool complete = false;

  // The deadline: `limitMs` milliseconds of the runtime's clock after `start`.
  uint32_t start = 0;
  uint32_t limitMs = 0;
  // Greater than 0: the transfer also ends once `idleMs` milliseconds pass
  // after `lastArrival`, the clock when the last block of the body arrived
  // (`start` until one has). The worker moves it on; the caller watches it.
  uint32_t idleMs = 0;
  std::atomic<uint32_t> lastArrival{0};
  // The body's bytes so far, for the caller's progress (the body itself is
  // the worker's until it ends).
  std::atomic<size_t> received{0};

  // Greater than 0 while the transfer runs (the worker's handle, or a mark
  // stored before the worker starts); the worker stores 0 as its last act on
  // the record. Release/acquire: the caller that sees 0 sees the whole body.
  std::atomic<uintptr_t> workerHandle{0};
  // Set by FetchUrl when it gives up: the worker stops at its next step and
  // stores no cookies.
  std::atomic<bool> abandoned{false};

  // Milliseconds left until the deadline or the idle limit, whichever comes
  // first (0 once one has passed).
  uint32_t RemainingMs(uint32_t now) const {
    const uint32_t elapsed = now - start;
    uint32_t left = elapsed >= limitMs ? 0 : limitMs - elapsed;
    if (idleMs > 0) {
      const uint32_t idle = now - lastArrival.load(std::memory_order_relaxed);
      left = std::min(left, idle >= idleMs ? 0 : idleMs - idle);
    }
    return left;
  }
  // The deadline, or the idle limit, has passed: the transfer gives no result.
  bool PastDeadline(uint32_t now) const {
    return now - start > limitMs || (idleMs > 0 && now - lastArrival.load(std::memory_order_relaxed) > idleMs);
  }
};

// Carries out the transfer on the calling (worker) thread: opens WinINet,
// connects, sends a GET or POST with the completed header block, reads the body
// in 512-byte blocks, stores the response's cookies. Leaves the result in the
// record; never throws.
void PerformRequest(TransferState& transfer);
