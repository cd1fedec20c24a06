// Composition benchmark: the client's own composition over a large bank (with
// every status-line write and the window it writes to) against a bare SQLite
// scan of 单元 with instr(), and the time to show one question.
//
//   compose_bench make-bank DIR RECORDS PICTURE_BYTES   writes DIR\填空题题库.db
//   compose_bench compose                               run from a copy in the bank's folder
//   compose_bench bare                                  the bare scan, same folder
//
// Each measuring mode prints one line of figures, including the process's peak
// memory, so that banks with small and with large pictures can be compared.
#include <windows.h>
#include <psapi.h>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "answer/answering.h"
#include "program/control_ids.h"
#include "program/global_slots.h"
#include "program/main_window_form.h"
#include "practice/composition.h"
#include "practice/presentation.h"
#include "runtime/window/controls.h"
#include "runtime/data/database.h"
#include "runtime/files/places.h"
#include "runtime/program.h"
#include "shell/globals.h"
#include "shell/keywords.h"

namespace {

const char* const kKeywords[] = {"集合", "函数", "三角函数", "数列", "不等式", "立体几何", "解析几何", "概率"};

double Seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Each measurement: one run to warm up (the bank's pages in the file cache and
// SQLite's, the code paged in), then the median of kRuns runs, so that one run
// disturbed by the rest of the machine moves neither side.
constexpr int kRuns = 7;

template <typename Work>
double MedianSeconds(Work work) {
  work();
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const double start = Seconds();
    work();
    times.push_back(Seconds() - start);
  }
  std::sort(times.begin(), times.end());
  return times[kRuns / 2];
}

double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS pmc{};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return static_cast<double>(pmc.PeakPagefileUsage) / (1024.0 * 1024.0);
}

std::string BankPathUtf8() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  p = p.substr(0, p.find_last_of(L'\\') + 1) + L"\x586B\x7A7A\x9898\x9898\x5E93.db";  // 填空题题库.db
  const int len = WideCharToMultiByte(CP_UTF8, 0, p.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, p.c_str(), -1, out.data(), len, nullptr, nullptr);
  out.resize(static_cast<size_t>(len - 1));
  return out;
}

void Compose() {
  for (const char* keyword : kKeywords) rt::ListAppend(program::选中关键词列表框, keyword);
  // The status line's cost alone, for scale.
  double start = Seconds();
  for (int i = 0; i < 100000; ++i)
    rt::SetCaption(program::状态栏, i % 2 ? "题库中第12345题符合条件" : "题库中第12346题不符合条件");
  const double statusWrites = Seconds() - start;

  const double compose = MedianSeconds(ComposePaper);
  const double peak = PeakMegabytes();
  start = Seconds();
  program::Globals().CurrentQuestion = 1;
  ShowQuestion();
  const double show = Seconds() - start;
  std::printf(
      "compose: %zu questions of the paper in %.3f s (median of %d); show one question %.1f ms; "
      "100000 status writes alone %.3f s; peak memory %.1f MB\n",
      program::Globals().PracticePaper.size(), compose, kRuns, show * 1000, statusWrites, peak);
  std::fflush(stdout);
  rt::EndProcess(0);
}

void Nothing() {}

// The program's routine table with composition in place of start-up and
// nothing behind every other routine.
const rt::Routine kRoutines[] = {
#define TESSALY_ROUTINE(name) {#name, std::string_view(#name) == "OnMainWindowCreated" ? Compose : Nothing},
#include "program/routines.def"
#undef TESSALY_ROUTINE
};

void Entry() {
  InitGlobals();
  rt::RegisterExitRoutine(ReleaseGlobals);
  rt::CreateStartWindow();
  rt::EndProcess(0);
}

// One bare scan; the number of matching records, or -1. `mapped`: through a
// view of the file, as the program reads its bank, rather than SQLite's
// default read call per page.
long BareScan(bool mapped) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(BankPathUtf8().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return -1;
  if (mapped) sqlite3_exec(db, "PRAGMA mmap_size = 2147418112", nullptr, nullptr, nullptr);
  std::string sql = "SELECT \"\xE8\xAE\xB0\xE5\xBD\x95\xE5\x8F\xB7\" FROM QuestionBank WHERE 0";  // 记录号
  for (size_t i = 0; i < sizeof kKeywords / sizeof kKeywords[0]; ++i) {
    sql += " OR instr(\"\xE5\x8D\x95\xE5\x85\x83\", ?" + std::to_string(i + 1) + ") > 0";  // 单元
  }
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  // The keywords in UTF-8, as stored.
  const char* const utf8[] = {"\xE9\x9B\x86\xE5\x90\x88",
                              "\xE5\x87\xBD\xE6\x95\xB0",
                              "\xE4\xB8\x89\xE8\xA7\x92\xE5\x87\xBD\xE6\x95\xB0",
                              "\xE6\x95\xB0\xE5\x88\x97",
                              "\xE4\xB8\x8D\xE7\xAD\x89\xE5\xBC\x8F",
                              "\xE7\xAB\x8B\xE4\xBD\x93\xE5\x87\xA0\xE4\xBD\x95",
                              "\xE8\xA7\xA3\xE6\x9E\x90\xE5\x87\xA0\xE4\xBD\x95",
                              "\xE6\xA6\x82\xE7\x8E\x87"};
  for (int i = 0; i < 8; ++i) sqlite3_bind_text(stmt, i + 1, utf8[i], -1, SQLITE_STATIC);
  long matches = 0;
  while (sqlite3_step(stmt) == SQLITE_ROW) ++matches;
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return matches;
}

int Bare() {
  long matches = 0;
  const double scan = MedianSeconds([&] { matches = BareScan(false); });
  if (matches < 0) return 1;
  std::printf("bare scan: %ld matching records in %.3f s (median of %d); peak memory %.1f MB\n", matches, scan, kRuns,
              PeakMegabytes());
  const double mappedScan = MedianSeconds([&] { matches = BareScan(true); });
  std::printf("bare scan, file mapped (for comparison): %ld matching records in %.3f s (median of %d)\n", matches,
              mappedScan, kRuns);
  return 0;
}

// A 24-bit BMP of about `bytes` bytes, filled with noise so it does not compress.
std::string NoiseBitmap(size_t bytes, uint32_t seed) {
  const int width = 256;
  const int height = static_cast<int>(bytes / (width * 3)) + 1;
  std::string bmp(54 + static_cast<size_t>(width * 3 * height), '\0');
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put(2, static_cast<uint32_t>(bmp.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, width, 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 54; i < bmp.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bmp[i] = static_cast<char>(x);
  }
  return bmp;
}

int MakeBank(const std::wstring& dir, int records, size_t pictureBytes) {
  const std::wstring path = dir + L"\\\x586B\x7A7A\x9898\x9898\x5E93.db";
  DeleteFileW(path.c_str());
  const int len = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8.data(), len, nullptr, nullptr);
  sqlite3* db = nullptr;
  if (sqlite3_open(utf8.c_str(), &db) != SQLITE_OK) return 1;
  const std::string setUp = "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;" + rt::QuestionBankSchema() + "BEGIN;";
  sqlite3_exec(db, setUp.c_str(), nullptr, nullptr, nullptr);
  // Units: one of the keywords in eight, the rest of the bank on other topics.
  const char* const units[] = {"\xE6\x95\xB0\xE5\x88\x97\xEF\xBC\x9A\xE7\xAD\x89\xE5\xB7\xAE\xE6\x95\xB0\xE5\x88\x97",
                               "\xE5\xA4\x8D\xE6\x95\xB0\xEF\xBC\x9A\xE8\xBF\x90\xE7\xAE\x97",
                               "\xE5\x90\x91\xE9\x87\x8F\xEF\xBC\x9A\xE6\x95\xB0\xE9\x87\x8F\xE7\xA7\xAF",
                               "\xE7\xBB\x9F\xE8\xAE\xA1\xEF\xBC\x9A\xE6\x96\xB9\xE5\xB7\xAE",
                               "\xE7\xAE\x97\xE6\xB3\x95\xEF\xBC\x9A\xE7\xA8\x8B\xE5\xBA\x8F\xE6\xA1\x86\xE5\x9B\xBE",
                               "\xE6\x8E\xA8\xE7\x90\x86\xE4\xB8\x8E\xE8\xAF\x81\xE6\x98\x8E",
                               "\xE8\xAE\xA1\xE6\x95\xB0\xE5\x8E\x9F\xE7\x90\x86",
                               "\xE6\x9E\x81\xE5\x9D\x90\xE6\xA0\x87"};
  sqlite3_stmt* bank = nullptr;
  sqlite3_stmt* pictures = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO QuestionBank VALUES (?1, ?2, ?3, ?4)", -1, &bank, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO QuestionPictures VALUES (?1, ?2, ?3, ?4)", -1, &pictures, nullptr);
  const std::string picture = NoiseBitmap(pictureBytes, 7);
  for (int i = 1; i <= records; ++i) {
    sqlite3_bind_int(bank, 1, i);
    sqlite3_bind_text(bank, 2, units[i % 8], -1, SQLITE_STATIC);
    sqlite3_bind_int(bank, 3, i % 50);
    sqlite3_bind_int(bank, 4, i % 17);
    sqlite3_step(bank);
    sqlite3_reset(bank);
    sqlite3_bind_int(pictures, 1, i);
    for (int k = 2; k <= 4; ++k) {
      sqlite3_bind_blob(pictures, k, picture.data(), static_cast<int>(picture.size()), SQLITE_STATIC);
    }
    sqlite3_step(pictures);
    sqlite3_reset(pictures);
  }
  sqlite3_finalize(bank);
  sqlite3_finalize(pictures);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return 0;
}

const rt::ProgramDescription kProgram{program::MainWindowForm(), kRoutines, Entry};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"make-bank" && argc == 5) {
    return MakeBank(argv[2], static_cast<int>(wcstol(argv[3], nullptr, 10)),
                    static_cast<size_t>(wcstoll(argv[4], nullptr, 10)));
  }
  if (mode == L"bare") return Bare();
  if (mode == L"compose") rt::RunProgram(kProgram);
  std::fprintf(stderr, "usage: compose_bench make-bank DIR RECORDS PICTURE_BYTES | compose | bare\n");
  return 2;
}
