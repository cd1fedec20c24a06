// One HTTP transfer over WinINet, run on the transfer's worker thread.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>

#include "http/request_text.h"
#include "http/transfer.h"
#include "http/url.h"
#include "program/declared_functions_win.h"
#include "runtime/program.h"
#include "runtime/system/internet.h"

namespace {

constexpr DWORD kReadBlock = 512;
constexpr DWORD kRawHeaderBuffer = 1024;
// A declared length is trusted this far for the first allocation; a longer
// body grows like any other.
constexpr size_t kLargestReservation = 64u << 20;
// The receive time-out runs this long past the deadline, so that a read it
// ends is known to have ended because the deadline passed, not mistaken for
// the end of the body.
constexpr DWORD kReceiveMarginMs = 250;
constexpr uint32_t kEventIntervalMs = 10;

// The three WinINet handles of a request, closed in the order request,
// connection, Internet handle.
struct Handles {
  HINTERNET internet = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  ~Handles() { Close(); }
  void Close() {
    if (request) program::Declared().InternetCloseHandle(request);
    if (connection) program::Declared().InternetCloseHandle(connection);
    if (internet) program::Declared().InternetCloseHandle(internet);
    request = connection = internet = nullptr;
  }
};

// Bounds each blocking WinINet call by the time the transfer has left, so the
// worker ends by itself about when FetchUrl gives up.
void BoundBlockingCalls(HINTERNET handle, const TransferState& transfer) {
  const DWORD remaining = transfer.RemainingMs(rt::TickCount());
  rt::SetTransferTimeouts(handle, remaining, remaining + kReceiveMarginMs);
}

// Hands the handles of a transfer given up in the middle of its body to the
// record, for the worker to close once the caller has its (empty) result.
void Linger(TransferState& t, Handles& h) {
  auto handles = std::make_shared<Handles>(h);
  h.request = h.connection = h.internet = nullptr;
  t.lingering = handles;
}

bool Stopped(const TransferState& transfer) {
  return transfer.abandoned.load(std::memory_order_relaxed) || transfer.PastDeadline(rt::TickCount());
}

// The declared body length, when the response has one.
bool DeclaredLength(HINTERNET request, DWORD& length) {
  DWORD size = sizeof length;
  return program::Declared().HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size,
                                            nullptr) != 0;
}

// The raw response headers, status line first, each line ending in CR LF; a
// block that does not fit the buffer leaves it blank.
std::string RawHeaders(HINTERNET request) {
  char buffer[kRawHeaderBuffer + 1];
  std::fill(buffer, buffer + kRawHeaderBuffer, ' ');
  buffer[kRawHeaderBuffer] = '\0';
  DWORD size = kRawHeaderBuffer;
  program::Declared().HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer, &size, nullptr);
  return std::string(buffer);
}

void Perform(TransferState& t) {
  const rt::Text host = UrlHost(t.url);
  const int port = UrlPort(t.url);
  const RequestMethod method = MethodOf(t.method);
  // A URL without a host or with an impossible port, and a method that is
  // neither GET nor POST, send nothing.
  if (host.empty() || port < 1 || port > 65535 || method == RequestMethod::Refused) return;
  const std::string path = EncodeForRequest(UrlObjectPath(t.url));

  Handles h;
  switch (ProxyUseOf(t.proxy)) {
    case ProxyUse::Named: {
      const std::string proxy = std::string(kProxyPrefix) + t.proxy.c_str();
      h.internet = program::Declared().InternetOpenA(kUserAgent.data(), INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), "", 0);
      break;
    }
    case ProxyUse::System:
      // The proxy of the PC's Internet Options, as a browser of the PC uses it.
      h.internet =
          program::Declared().InternetOpenA(kUserAgent.data(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
      break;
    case ProxyUse::Direct:
      h.internet = program::Declared().InternetOpenA(kUserAgent.data(), INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
      break;
  }
  if (!h.internet) return;
  BoundBlockingCalls(h.internet, t);
  h.connection = program::Declared().InternetConnectA(h.internet, host.c_str(), static_cast<INTERNET_PORT>(port), "",
                                                      "", INTERNET_SERVICE_HTTP, 0, 0);
  if (!h.connection) return;
  // RELOAD: always ask the server. NO_CACHE_WRITE: keep the body out of the
  // browser cache (a bank would otherwise cost its size again on disk).
  h.request = program::Declared().HttpOpenRequestA(h.connection, method == RequestMethod::Post ? "POST" : "GET",
                                                   path.c_str(), kHttpVersion.data(), nullptr, nullptr,
                                                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (!h.request) return;

  CompleteHeaderBlock(t.headers, EncodeForRequest(t.url));
  std::string_view optional;
  if (method == RequestMethod::Post) {
    AppendPostLines(t.headers, t.postData);
    optional = t.postData;
  }
  if (Stopped(t)) return;
  BoundBlockingCalls(h.request, t);
  // The result is not examined: a failed send shows as a body of no bytes.
  program::Declared().HttpSendRequestA(h.request, t.headers.data(), static_cast<DWORD>(t.headers.size()),
                                       const_cast<char*>(optional.data()), static_cast<DWORD>(optional.size()));

  DWORD declared = 0;
  const bool hasDeclared = DeclaredLength(h.request, declared);
  // A body declared longer than the caller takes is not read at all.
  if (hasDeclared && declared > t.maxBody) {
    Linger(t, h);
    return;
  }
  if (hasDeclared) t.body.reserve(std::min<size_t>(declared, kLargestReservation));

  char block[kReadBlock];
  bool stopped = false;
  bool failed = false;
  uint32_t lastEvents = rt::TickCount() - kEventIntervalMs;
  for (;;) {
    // The worker's own pending events, handled every few milliseconds: asking
    // Wine for them costs a round trip to its server, as much as the read of
    // a block itself.
    if (rt::TickCount() - lastEvents >= kEventIntervalMs) {
      rt::ProcessPendingEvents();
      lastEvents = rt::TickCount();
    }
    DWORD count = 0;
    // A failed read (the connection broke off inside a chunked body, which
    // declares no length to compare with) ends the body as no result.
    if (!program::Declared().InternetReadFile(h.request, block, kReadBlock, &count)) {
      failed = true;
      break;
    }
    if (count == 0) break;
    // An undeclared body stops being read as soon as it is too long.
    if (count > t.maxBody - t.body.size()) {
      Linger(t, h);
      return;
    }
    t.body.append(block, count);
    t.received.store(t.body.size(), std::memory_order_relaxed);
    t.lastArrival.store(rt::TickCount(), std::memory_order_relaxed);
    if (Stopped(t)) {
      stopped = true;
      break;
    }
  }
  // A read ended by the receive time-out looks like the end of the body; the
  // deadline, or the idle limit, has passed by then.
  stopped = stopped || Stopped(t);
  // A body shorter than the length the server declared was cut off (the
  // connection closed in the middle): not a result.
  const bool whole = !hasDeclared || t.body.size() == declared;
  t.complete = !stopped && !failed && whole;

  const std::string raw = RawHeaders(h.request);
  const std::string cookieUrl = std::string("http://") + host.c_str();
  h.Close();
  if (t.abandoned.load(std::memory_order_relaxed)) return;
  for (const Cookie& cookie : CookiesInRawHeaders(raw)) {
    program::Declared().InternetSetCookieA(cookieUrl.c_str(), cookie.name.c_str(), cookie.data.c_str());
  }
}

}  // namespace

void PerformRequest(TransferState& transfer) {
  try {
    Perform(transfer);
  } catch (const std::exception&) {
    transfer.complete = false;  // out of memory: no result, but no crash either
  }
  if (!transfer.complete) std::string().swap(transfer.body);
}
