#include <windows.h>

#include <memory>
#include <mutex>
#include <vector>

#include "runtime/data/encoding.h"
#include "runtime/data/line_reader.h"
#include "runtime/files/file_access.h"
#include "runtime/files/file_system.h"

namespace rt {
namespace {

// Open files by number (index + 1). Keyword files are small: a file opened for
// reading is read whole and handed out line by line.
std::mutex g_filesLock;
std::vector<std::unique_ptr<LineReader>> g_files;

LineReader* FindFile(int file) {
  if (file < 1 || static_cast<size_t>(file) > g_files.size()) return nullptr;
  return g_files[static_cast<size_t>(file) - 1].get();
}

bool ReadAll(std::string_view name, ByteSet& out) {
  const HANDLE h = CreateFileW(GbkToWide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(h, &size) && size.QuadPart < 0x7FFFFFFF;
  if (ok) {
    ByteSet bytes = ByteSet::Zeros(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      DWORD got = 0;
      const DWORD want = static_cast<DWORD>(bytes.size() - done);
      ok = ReadFile(h, bytes.data() + done, want, &got, nullptr) && got > 0;
      done += got;
    }
    if (ok) out = std::move(bytes);
  }
  CloseHandle(h);
  return ok;
}

}  // namespace

int OpenFileForReading(std::string_view name) {
  ByteSet content;
  if (!ReadAll(name, content)) return 0;
  std::lock_guard<std::mutex> lock(g_filesLock);
  for (size_t i = 0; i < g_files.size(); ++i) {
    if (!g_files[i]) {
      g_files[i] = std::make_unique<LineReader>(std::move(content));
      return static_cast<int>(i) + 1;
    }
  }
  g_files.push_back(std::make_unique<LineReader>(std::move(content)));
  return static_cast<int>(g_files.size());
}

Text ReadLine(int file) {
  std::lock_guard<std::mutex> lock(g_filesLock);
  LineReader* reader = FindFile(file);
  return reader ? reader->ReadLine() : Text();
}

bool AtEndOfFile(int file) {
  std::lock_guard<std::mutex> lock(g_filesLock);
  LineReader* reader = FindFile(file);
  return reader ? reader->AtEnd() : true;
}

void CloseFile(int file) {
  std::lock_guard<std::mutex> lock(g_filesLock);
  if (FindFile(file)) g_files[static_cast<size_t>(file) - 1].reset();
}

ByteSet ReadWholeFile(std::string_view name) {
  ByteSet content;
  ReadAll(name, content);
  return content;
}

bool WriteWholeFile(std::string_view name, const ByteSet& bytes) {
  const std::wstring path = GbkToWide(name);
  const auto create = [&] {
    return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE h = create();
  // A file marked read-only is replaced all the same: the program writes only
  // files of its own, and a student cannot be asked to clear the mark.
  if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED && ClearReadOnly(path.c_str())) h = create();
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    DWORD put = 0;
    ok = WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) && put > 0;
    done += put;
  }
  return CloseHandle(h) && ok;
}

}  // namespace rt
