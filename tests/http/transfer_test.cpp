// The download worker: refusals and failures at once, the time-out, transfers
// in a row and overlapping, and the caller's window during a long wait.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "http/fetch.h"
#include "tests/http/http_fixture.h"

namespace httptest {
namespace {

std::string Url(const char* server, const char* path) { return std::string(server) + path; }

TEST(Refusals, NothingIsSentAndNothingWaitedFor) {
  // Against a server that never answers, anything sent would wait out the time-out.
  const std::string silent = Url(kScripted, "/silent");
  for (const char* method : {"get", "HEAD", "Post", "PUT"}) {
    const uint32_t start = GetTickCount();
    EXPECT_TRUE(FetchUrl(silent, method, "", "", "", 20).empty()) << method;
    EXPECT_LT(Since(start), 1000u) << method;
  }
  // URLs without a host or a usable port.
  for (const char* url : {"http:///silent", "http://:8002/silent", "http://127.0.0.2:99999/silent",
                          "http://127.0.0.2:8002x/silent", "http://127.0.0.2:abc/silent", ""}) {
    const uint32_t start = GetTickCount();
    EXPECT_TRUE(FetchUrl(url, "", "", "", "", 20).empty()) << url;
    EXPECT_LT(Since(start), 1000u) << url;
  }
}

TEST(Failures, UnreachableAddressEndsAsSoonAsTheFailureIsKnown) {
  const uint32_t start = GetTickCount();
  EXPECT_TRUE(FetchUrl(Url(kNobody, "/a.txt"), "", "", "", "", 30).empty());
  EXPECT_LT(Since(start), 2000u);
}

// Threads of this process.
int ThreadCount() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{sizeof entry};
  int n = 0;
  for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry)) {
    n += entry.th32OwnerProcessID == GetCurrentProcessId();
  }
  CloseHandle(snap);
  return n;
}

// A transfer that must end empty once `endSeconds` have passed (its time-out,
// or its idle limit when `idleSeconds` is given), and whose worker is gone
// `workerGoneMs` after that.
void ExpectTimeOut(const std::string& url, int seconds, uint32_t workerGoneMs, int idleSeconds = 0,
                   int endSeconds = 0) {
  if (endSeconds == 0) endSeconds = seconds;
  const int threads = ThreadCount();
  const uint32_t start = GetTickCount();
  EXPECT_TRUE(FetchUrl(url, "", "", "", "", seconds, kLargestBodyBytes, idleSeconds).empty()) << url;
  const uint32_t ms = Since(start);
  EXPECT_GE(ms, static_cast<uint32_t>(endSeconds) * 1000) << url;
  EXPECT_LT(ms, static_cast<uint32_t>(endSeconds) * 1000 + 1000) << url;
  const uint32_t returned = GetTickCount();
  while (ThreadCount() > threads && Since(returned) < workerGoneMs + 3000) Sleep(20);
  EXPECT_LT(Since(returned), workerGoneMs) << url << ": the worker is gone";
}

// WinINet's own time-outs end the worker about when FetchUrl gives up.
TEST(TimeOut, ServerThatNeverAnswers) { ExpectTimeOut(Url(kScripted, "/silent"), 2, 1500); }

TEST(TimeOut, PartOfTheBodyArrivedThenNothing) { ExpectTimeOut(Url(kScripted, "/stall"), 2, 1500); }

// A byte every 100 ms never lets a receive time-out pass, and a 512-byte read
// waits for 512 bytes: the worker is stopped by force, the time-out plus two
// seconds after FetchUrl gave up.
TEST(TimeOut, BodyStillTricklingIn) { ExpectTimeOut(Url(kScripted, "/drip"), 2, 5000); }

// A long download is watched by what arrives: a slow link that keeps
// delivering outlasts the idle limit; one that stops delivering ends after it,
// long before the overall limit; one that trickles without end ends at the
// overall limit.
TEST(IdleLimit, ASlowLinkThatKeepsDeliveringArrivesWholeWithItsProgress) {
  std::vector<size_t> told;
  const uint32_t start = GetTickCount();
  const rt::ByteSet body = FetchUrl(Url(kScripted, "/steady/12800"), "", "", "", "", 30, 12800, 2,
                                    [&](size_t received) { told.push_back(received); });
  EXPECT_GT(Since(start), 4000u) << "slower than the idle limit, as meant";
  EXPECT_EQ(body.size(), 12800u);
  ASSERT_GE(told.size(), 5u);
  EXPECT_TRUE(std::is_sorted(told.begin(), told.end()) && std::adjacent_find(told.begin(), told.end()) == told.end())
      << "each report tells of more bytes than the last";
  EXPECT_GT(told.front(), 0u);
  EXPECT_LE(told.back(), 12800u);
}

TEST(IdleLimit, NothingArrivingEndsTheTransferAfterTheIdleTime) {
  ExpectTimeOut(Url(kScripted, "/stall"), 30, 1500, 2, 2);
  ExpectTimeOut(Url(kScripted, "/silent"), 30, 1500, 2, 2);
}

TEST(IdleLimit, ATrickleEndsAtTheOverallLimit) { ExpectTimeOut(Url(kScripted, "/trickle"), 4, 5000, 2); }

TEST(TimeOut, AnswerWithinTheTimeOutComesWhole) {
  uint32_t start = GetTickCount();
  EXPECT_EQ(Str(FetchUrl(Url(kScripted, "/slow/1500"), "", "", "", "", 5)), "slow 1500");
  EXPECT_LT(Since(start), 2500u);
  // 0 is the default of 90 seconds, not "no time at all".
  start = GetTickCount();
  EXPECT_EQ(Str(FetchUrl(Url(kScripted, "/slow/1000"), "", "", "", "", 0)), "slow 1000");
  EXPECT_GE(Since(start), 1000u);
}

TEST(Sequence, NothingOfOneTransferReachesTheNext) {
  // An abandoned transfer with part of a body, then an ordinary one.
  EXPECT_TRUE(FetchUrl(Url(kScripted, "/stall"), "", "", "", "", 1).empty());
  EXPECT_EQ(Str(FetchUrl(Url(kNginx, "/zentra/two.txt"))), "1\n");
  // A POST, then a GET: the second carries none of the first's lines or body.
  FetchUrl(Url(kScripted, "/echo/1"), "POST", "", "X-First: 1\r\n", "a=1");
  const EchoedRequest r = ParseEcho(Str(FetchUrl(Url(kScripted, "/echo/2"))));
  EXPECT_EQ(r.requestLine, "GET /echo/2 HTTP/1.1");
  EXPECT_FALSE(r.Has("X-First"));
  EXPECT_FALSE(r.Has("Content-Type"));
  EXPECT_TRUE(r.body.empty());
}

TEST(Overlap, TransfersOnTwoThreadsKeepTheirOwnParametersAndBodies) {
  std::string slow, timedOut;
  uint32_t slowDone = 0, mainDone = 0;
  const uint32_t start = GetTickCount();
  std::thread a([&] {
    slow = Str(FetchUrl(Url(kScripted, "/slow/2500"), "", "", "", "", 10));
    slowDone = Since(start);
  });
  std::thread b([&] { timedOut = Str(FetchUrl(Url(kScripted, "/silent"), "", "", "", "", 1)); });
  Sleep(100);
  // Meanwhile this thread fetches on its own, with other parameters.
  EXPECT_EQ(Str(FetchUrl(Url(kNginx, "/zentra/two.txt"))), "1\n");
  const EchoedRequest r = ParseEcho(Str(FetchUrl(Url(kScripted, "/echo/main"), "POST", "", "", "x=main")));
  EXPECT_EQ(r.requestLine, "POST /echo/main HTTP/1.1");
  EXPECT_EQ(r.body, "x=main");
  mainDone = Since(start);
  b.join();
  a.join();
  EXPECT_LT(mainDone, 2000u) << "this thread did not wait for the others";
  EXPECT_TRUE(timedOut.empty());
  // The other thread's time-out neither ended nor emptied this one.
  EXPECT_EQ(slow, "slow 2500");
  EXPECT_GE(slowDone, 2500u);
}

// A window of the test's own thread, standing in for the main window.
class TestWindow {
 public:
  static constexpr UINT kFetchNested = WM_APP + 1;
  static constexpr UINT kPing = WM_APP + 2;

  TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HttpTestWindow";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~TestWindow() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

  std::string nestedBody;
  bool nestedRan = false;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == kFetchNested && self) {
      // A handler that downloads, run nested inside another download's wait.
      self->nestedBody = Str(FetchUrl(Url(kNginx, "/zentra/two.txt")));
      self->nestedRan = true;
      return 0;
    }
    if (message == kPing) return 42;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  HWND hwnd_ = nullptr;
};

TEST(Overlap, NestedTransferFromAnEventHandledWhileWaiting) {
  TestWindow window;
  PostMessageW(window.hwnd(), TestWindow::kFetchNested, 0, 0);
  const std::string outer = Str(FetchUrl(Url(kScripted, "/slow/1000"), "", "", "", "", 10));
  EXPECT_TRUE(window.nestedRan) << "the posted event was handled during the wait";
  EXPECT_EQ(window.nestedBody, "1\n");
  EXPECT_EQ(outer, "slow 1000");
}

TEST(Window, AnswersAtOnceDuringALongWait) {
  TestWindow window;
  std::atomic<bool> waiting{true};
  std::atomic<int> answered{0};
  std::atomic<uint32_t> slowest{0};
  std::atomic<bool> driverDone{false};
  std::thread driver([&] {
    while (waiting) {
      const uint32_t start = GetTickCount();
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(window.hwnd(), TestWindow::kPing, 0, 0, SMTO_NORMAL, 2000, &result) && result == 42) {
        ++answered;
      }
      slowest = std::max<uint32_t>(slowest, Since(start));
      Sleep(50);
    }
    driverDone = true;
  });
  EXPECT_TRUE(FetchUrl(Url(kScripted, "/silent"), "", "", "", "", 2).empty());
  waiting = false;
  // A ping sent just as the download returned is answered here.
  while (!driverDone) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(1);
  }
  driver.join();
  EXPECT_GE(answered.load(), 20);
  EXPECT_LT(slowest.load(), 500u) << "each message was answered as it arrived";
}

TEST(Window, QuitMessageStaysForTheMessageLoop) {
  // A window closed during a download: the quit message it posts must still
  // reach the message loop once the download returns.
  PostQuitMessage(0);
  EXPECT_EQ(Str(FetchUrl(Url(kScripted, "/slow/300"), "", "", "", "", 5)), "slow 300");
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace httptest
