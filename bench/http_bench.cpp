// Figures of the HTTP client, each beside a baseline measured in the same run:
//   - 50 MiB from nginx: FetchUrl against a bare WinINet loop of 512-byte reads
//     into a preallocated buffer, the floor the 512-byte block size allows;
//   - CPU time while FetchUrl waits on a server that never answers, against a
//     wait that polls without pausing.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "http/fetch.h"
#include "runtime/program.h"

namespace {

constexpr char kBigUrlPath[] = "/zentra/big.bin";
constexpr char kBigUrl[] = "http://127.0.0.1:8001/zentra/big.bin";
constexpr char kSilentUrl[] = "http://127.0.0.2:8002/silent";
constexpr size_t kBigSize = 50u << 20;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

// User and kernel time of the whole process, in seconds.
double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto s = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return s(kernel) + s(user);
}

// The same request as FetchUrl's, read in 512-byte blocks into a buffer that is
// already large enough: nothing but the reads themselves.
size_t BareWinInetRead(std::vector<char>& buffer) {
  HINTERNET internet = InternetOpenA("bench", INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
  HINTERNET connection = InternetConnectA(internet, "127.0.0.1", 8001, "", "", INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request = HttpOpenRequestA(connection, "GET", kBigUrlPath, "HTTP/1.1", nullptr, nullptr,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  HttpSendRequestA(request, "", 0, nullptr, 0);
  size_t total = 0;
  for (;;) {
    DWORD count = 0;
    if (total + 512 > buffer.size()) buffer.resize(buffer.size() * 2);
    InternetReadFile(request, buffer.data() + total, 512, &count);
    if (count == 0) break;
    total += count;
  }
  InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(internet);
  return total;
}

void DownloadFigures() {
  std::vector<char> buffer(kBigSize + 512);
  double bare = 1e9, fetch = 1e9;
  size_t bareBytes = 0, fetchBytes = 0;
  for (int round = 0; round < 5; ++round) {
    LARGE_INTEGER t0 = Now();
    bareBytes = BareWinInetRead(buffer);
    LARGE_INTEGER t1 = Now();
    fetchBytes = FetchUrl(kBigUrl).size();
    LARGE_INTEGER t2 = Now();
    bare = std::min(bare, Seconds(t0, t1));
    fetch = std::min(fetch, Seconds(t1, t2));
  }
  std::printf("50 MiB from nginx in 512-byte reads (best of 5 runs each, taken in turns)\n");
  std::printf("  bare WinINet loop, preallocated buffer  %7.2f s  (%zu bytes)\n", bare, bareBytes);
  std::printf("  FetchUrl                                %7.2f s  (%zu bytes)\n", fetch, fetchBytes);
  std::printf("  FetchUrl / bare loop                    %7.2f    (goal <= 1.20)\n", fetch / bare);
}

void WaitFigures() {
  // The baseline: a wait that handles events and reads the clock without pausing.
  const double cpu0 = ProcessCpuSeconds();
  const LARGE_INTEGER t0 = Now();
  const uint32_t start = rt::TickCount();
  while (rt::TickCount() - start <= 3000) rt::ProcessPendingEvents();
  const double pollCpu = ProcessCpuSeconds() - cpu0;
  const double pollWall = Seconds(t0, Now());

  const double cpu1 = ProcessCpuSeconds();
  const LARGE_INTEGER t1 = Now();
  const size_t got = FetchUrl(kSilentUrl, "", "", "", "", 10).size();
  const double waitCpu = ProcessCpuSeconds() - cpu1;
  const double waitWall = Seconds(t1, Now());

  std::printf("CPU time of this process while waiting on a server that never answers\n");
  std::printf("  poll without pause (baseline)   %5.2f s CPU in %5.2f s = %5.1f %% of one core\n", pollCpu, pollWall,
              100 * pollCpu / pollWall);
  std::printf(
      "  FetchUrl, time-out 10 s         %5.2f s CPU in %5.2f s = %5.1f %% of one core  (goal < 5 %%; %zu bytes)\n",
      waitCpu, waitWall, 100 * waitCpu / waitWall, got);
}

}  // namespace

int main() {
  // Unbuffered: the figures appear as they are measured.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  DownloadFigures();
  WaitFigures();
  return 0;
}
