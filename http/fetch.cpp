// FetchUrl: the transfer runs on a worker thread of its own; the caller waits
// for it, keeping its window events flowing, until it ends or the time-out
// passes.
#include "http/fetch.h"

#include <windows.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "http/transfer.h"
#include "program/declared_functions_win.h"
#include "runtime/program.h"

namespace {

// Stored in workerHandle before the worker starts, so that a worker which ends
// before CreateThread has even returned is never overlooked.
constexpr uintptr_t kStarting = 1;
// Longest time-out honoured, so that deadlines stay inside the 32-bit clock.
constexpr int kLongestTimeoutSeconds = 24 * 60 * 60;
// How long an abandoned worker may go on after FetchUrl has given up, beyond
// the length of the time-out itself, before it is stopped by force. Its
// blocking calls are bounded by WinINet's time-outs, set from the time left
// when it sends (the receive time-out at most the whole time-out and a quarter
// second): a read begun just before the deadline ends by itself within the
// time-out again. Only a worker stuck where no time-out reaches is still
// running after that: a host-name look-up, or a 512-byte read that a server
// feeds a few bytes at a time (each byte restarts the receive time-out).
constexpr uint32_t kStopGraceMs = 2000;
// How often a caller that follows the progress is told of it.
constexpr uint32_t kProgressIntervalMs = 250;

DWORD WINAPI CloseLingering(void* parameter) {
  delete static_cast<std::shared_ptr<void>*>(parameter);
  return 0;
}

DWORD WINAPI TransferWorker(void* parameter) {
  auto* transfer = static_cast<TransferState*>(parameter);
  PerformRequest(*transfer);
  // Handles left open by a transfer given up in the middle of its body are
  // closed on a thread of their own: the caller, who waits for this worker to
  // end, has its result at once.
  if (transfer->lingering) {
    auto* held = new std::shared_ptr<void>(std::move(transfer->lingering));
    if (HANDLE closer = program::Declared().CreateThread(nullptr, 0, CloseLingering, held, 0, nullptr)) {
      rt::ReleaseHandle(reinterpret_cast<uintptr_t>(closer));
    } else {
      delete held;
    }
  }
  // The last touch of the record: the caller may free it from here on.
  transfer->workerHandle.store(0, std::memory_order_release);
  return 0;
}

// A transfer given up by its caller, and the worker still running it.
struct Abandoned {
  TransferState* transfer;
  uintptr_t worker;
};

// Waits for an abandoned worker to end by itself; stops it by force only when
// it is still running well after its time-out (stopping a thread inside
// WinINet may leave locks held). Frees the record once the worker is gone.
DWORD WINAPI StopAbandonedWorker(void* parameter) {
  std::unique_ptr<Abandoned> job(static_cast<Abandoned*>(parameter));
  if (!rt::WaitForHandle(job->worker, job->transfer->limitMs + kStopGraceMs)) {
    program::Declared().TerminateThread(reinterpret_cast<HANDLE>(job->worker), 0);
    if (!rt::WaitForHandle(job->worker, 5000)) return 0;  // keep the record of a thread that still runs
  }
  delete job->transfer;
  rt::ReleaseHandle(job->worker);
  return 0;
}

// Hands an abandoned transfer to a thread that waits for its worker. When no
// such thread can start, the record and handle are left alone for good: the
// worker may still use them.
void LetGo(TransferState* transfer, uintptr_t worker) {
  if (transfer->workerHandle.load(std::memory_order_acquire) == 0) {
    delete transfer;
    rt::ReleaseHandle(worker);
    return;
  }
  auto* job = new Abandoned{transfer, worker};
  if (!program::Declared().CreateThread(nullptr, 0, StopAbandonedWorker, job, 0, nullptr)) delete job;
}

rt::ByteSet Fetch(std::string_view url, std::string_view method, std::string_view proxy, std::string_view headers,
                  std::string_view postData, int timeoutSeconds, size_t maxBodyBytes, int idleSeconds,
                  const FetchProgress& progress) {
  if (timeoutSeconds <= 0) timeoutSeconds = kDefaultTimeoutSeconds;
  timeoutSeconds = std::min(timeoutSeconds, kLongestTimeoutSeconds);
  idleSeconds = std::clamp(idleSeconds, 0, timeoutSeconds);

  auto transfer = std::make_unique<TransferState>();
  transfer->url = rt::Text(url);
  transfer->method = rt::Text(method);
  transfer->proxy = rt::Text(proxy);
  transfer->headers = std::string(headers);
  transfer->postData = rt::Text(postData);
  transfer->maxBody = maxBodyBytes;
  transfer->limitMs = static_cast<uint32_t>(timeoutSeconds) * 1000u;
  transfer->idleMs = static_cast<uint32_t>(idleSeconds) * 1000u;
  transfer->start = rt::TickCount();
  transfer->lastArrival.store(transfer->start, std::memory_order_relaxed);
  transfer->workerHandle.store(kStarting, std::memory_order_relaxed);

  HANDLE thread = program::Declared().CreateThread(nullptr, 0, TransferWorker, transfer.get(), 0, nullptr);
  if (!thread) return rt::ByteSet();
  const auto worker = reinterpret_cast<uintptr_t>(thread);
  // Publish the handle unless the worker has already ended (and stored 0).
  uintptr_t expected = kStarting;
  transfer->workerHandle.compare_exchange_strong(expected, worker, std::memory_order_acq_rel);

  size_t reported = 0;
  for (;;) {
    rt::ProcessPendingEvents();
    if (transfer->workerHandle.load(std::memory_order_acquire) == 0) break;
    const uint32_t now = rt::TickCount();
    if (transfer->PastDeadline(now)) {
      transfer->abandoned.store(true, std::memory_order_relaxed);
      rt::ProcessPendingEvents();
      LetGo(transfer.release(), worker);
      return rt::ByteSet();
    }
    uint32_t waitMs = transfer->RemainingMs(now) + 1;
    if (progress) {
      const size_t received = transfer->received.load(std::memory_order_relaxed);
      if (received != reported) progress(reported = received);
      waitMs = std::min(waitMs, kProgressIntervalMs);
    }
    // Until the worker ends, a message arrives, the next progress report is
    // due, or just past the deadline.
    rt::WaitForHandleOrMessage(worker, waitMs);
  }
  rt::ReleaseHandle(worker);
  if (!transfer->complete) return rt::ByteSet();
  return rt::ByteSet(transfer->body.data(), transfer->body.size());
}

}  // namespace

rt::ByteSet FetchUrl(std::string_view url, std::string_view method, std::string_view proxy, std::string_view headers,
                     std::string_view postData, int timeoutSeconds, size_t maxBodyBytes, int idleSeconds,
                     const FetchProgress& progress) {
  try {
    return Fetch(url, method, proxy, headers, postData, timeoutSeconds, maxBodyBytes, idleSeconds, progress);
  } catch (const std::exception&) {
    return rt::ByteSet();  // out of memory
  }
}
