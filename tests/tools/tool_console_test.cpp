// The teacher's tools as a teacher meets them on Windows, run here under
// Wine: their Chinese in a console whatever its code page (936, 65001, 437),
// as UTF-8 bytes when the output goes to a file, and the window a question set
// dropped onto banktool.exe opens, which says what it built and waits for a key.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring BinDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\'));
}

std::string Utf8(const std::wstring& wide) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::string Gbk(const std::wstring& wide) {
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << Utf8(path);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadBytes(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName, child = path + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveTree(child) : void(DeleteFileW(child.c_str()));
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

// A 1x1 PNG picture.
const std::string kPng(
    "\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1F\x15\xC4\x89\0\0\0\x0DIDAT"
    "\x78\x9C\x63\0\x01\0\0\x05\0\x01\x0D\x0A\x2D\xB4\0\0\0\0IEND\xAE\x42\x60\x82",
    67);

class ToolConsole : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"工具 控制台-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(folder_);
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override { RemoveTree(folder_); }

  // A question set whose table a spreadsheet saved as plain "CSV" on a
  // Chinese PC (GBK); with `good` false its row has a count that is no number.
  std::wstring QuestionSet(const std::wstring& name, bool good) {
    const std::wstring set = folder_ + L"\\" + name;
    CreateDirectoryW(set.c_str(), nullptr);
    CreateDirectoryW((set + L"\\图片").c_str(), nullptr);
    for (const wchar_t* picture : {L"q1.png", L"a1.png", L"s1.png"}) WriteBytes(set + L"\\图片\\" + picture, kPng);
    WriteBytes(set + L"\\题目表.csv",
               Gbk(std::wstring(L"题目,参考答案,解答过程,单元,正答,错答\r\nq1.png,a1.png,s1.png,集合,") +
                   (good ? L"3" : L"abc") + L",1\r\n"));
    return set;
  }

  // Starts banktool.exe with `args`; its standard handles are the ones given
  // (all three, or none for a console of its own).
  PROCESS_INFORMATION Start(const std::wstring& args, HANDLE input, HANDLE output, DWORD flags = 0) {
    const std::wstring exe = BinDirectory() + L"\\banktool.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (output) {
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdInput = input;
      si.hStdOutput = si.hStdError = output;
    }
    PROCESS_INFORMATION pi{};
    EXPECT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, output != nullptr, flags, nullptr,
                               nullptr, &si, &pi))
        << GetLastError();
    return pi;
  }

  // Waits for the process and gives its exit code; ends it after `ms`.
  static DWORD Finish(PROCESS_INFORMATION& pi, DWORD ms = 30000) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, ms) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
  }

  std::wstring folder_;
};

// What the console shows, row after row.
std::wstring ConsoleText(HANDLE output) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(output, &info)) return std::wstring();
  std::wstring text(static_cast<size_t>(info.dwSize.X) * info.dwSize.Y, L' ');
  DWORD read = 0;
  ReadConsoleOutputCharacterW(output, text.data(), static_cast<DWORD>(text.size()), COORD{0, 0}, &read);
  text.resize(read);
  return text;
}

// The console's text for a failure message: its runs of blanks shortened.
std::string Readable(const std::wstring& shown) {
  std::wstring text;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] == L' ' && i + 2 < shown.size() && shown[i + 1] == L' ' && shown[i + 2] == L' ') {
      while (i + 1 < shown.size() && shown[i + 1] == L' ') ++i;
      text += L" | ";
      continue;
    }
    text += shown[i];
  }
  return Utf8(text);
}

SECURITY_ATTRIBUTES Inheritable() { return SECURITY_ATTRIBUTES{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE}; }

TEST_F(ToolConsole, OutputToAFileIsUtf8Chinese) {
  const std::wstring set = QuestionSet(L"高一 数学", false);
  SECURITY_ATTRIBUTES inherit = Inheritable();
  const std::wstring log = folder_ + L"\\输出.txt";
  const HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  PROCESS_INFORMATION pi = Start(L"build --input \"" + set + L"\" --out \"" + folder_ + L"\\题库\"", nullptr, file);
  CloseHandle(file);
  EXPECT_EQ(Finish(pi), 1u);
  const std::string bytes = ReadBytes(log);
  EXPECT_NE(bytes.find(Utf8(L"题目表.csv 第2行“正答”列：“abc”不是整数")), std::string::npos) << bytes;
  EXPECT_NE(bytes.find(Utf8(L"按 GBK 读")), std::string::npos) << bytes;
  EXPECT_GT(
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0), 0)
      << "not UTF-8: " << bytes;
}

TEST_F(ToolConsole, AConsoleShowsTheChineseWhateverItsCodePage) {
  const std::wstring set = QuestionSet(L"高一 数学", true);
  // The test's own output stays where CTest reads it.
  const HANDLE savedOut = GetStdHandle(STD_OUTPUT_HANDLE), savedErr = GetStdHandle(STD_ERROR_HANDLE),
               savedIn = GetStdHandle(STD_INPUT_HANDLE);
  FreeConsole();
  ASSERT_TRUE(AllocConsole()) << GetLastError();
  SetStdHandle(STD_OUTPUT_HANDLE, savedOut);
  SetStdHandle(STD_ERROR_HANDLE, savedErr);
  SetStdHandle(STD_INPUT_HANDLE, savedIn);
  SECURITY_ATTRIBUTES inherit = Inheritable();
  const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     &inherit, OPEN_EXISTING, 0, nullptr);
  const HANDLE keys = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(console, INVALID_HANDLE_VALUE);
  SetConsoleScreenBufferSize(console, COORD{200, 300});  // no line of the tool wraps
  for (const UINT codePage : {936u, 65001u, 437u}) {
    ASSERT_TRUE(SetConsoleOutputCP(codePage));
    ASSERT_EQ(GetConsoleOutputCP(), codePage);
    const std::wstring out = folder_ + L"\\题库-" + std::to_wstring(codePage);
    PROCESS_INFORMATION pi = Start(L"build --input \"" + set + L"\" --out \"" + out + L"\"", keys, console);
    EXPECT_EQ(Finish(pi), 0u) << codePage;
    const std::wstring shown = ConsoleText(console);
    EXPECT_NE(shown.find(L"题目表.csv：不是 UTF-8，按 GBK 读"), std::wstring::npos)
        << codePage << ": " << Readable(shown);
    EXPECT_NE(shown.find(L"1 道题、1 个关键词，已写进 " + out), std::wstring::npos)
        << codePage << ": " << Readable(shown);
    // Nothing of the text shows as bytes of another code page.
    EXPECT_EQ(shown.find(L'\xFFFD'), std::wstring::npos) << codePage;
    EXPECT_EQ(shown.find(L"æ"), std::wstring::npos) << codePage;
    DWORD written = 0;
    FillConsoleOutputCharacterW(console, L' ', 200 * 300, COORD{0, 0}, &written);
  }
  CloseHandle(keys);
  CloseHandle(console);
  FreeConsole();
}

TEST_F(ToolConsole, ASetDroppedOntoTheToolBuildsItsBankAndTheWindowWaitsForAKey) {
  const std::wstring set = QuestionSet(L"高一 数学", true);
  // As Explorer starts it: the set's path alone, in a console of its own.
  PROCESS_INFORMATION pi = Start(L"\"" + set + L"\"", nullptr, nullptr, CREATE_NEW_CONSOLE);
  ASSERT_NE(pi.hProcess, nullptr);
  // The tool has decided to wait once its bank is being made.
  const std::wstring bank = set + L"-题库";
  for (int i = 0; i < 300 && !IsFolder(bank); ++i) Sleep(100);
  ASSERT_TRUE(IsFolder(bank));
  FreeConsole();
  std::wstring shown;
  if (AttachConsole(pi.dwProcessId)) {
    const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    for (int i = 0; i < 300 && shown.find(L"按任意键关闭这个窗口") == std::wstring::npos; ++i) {
      Sleep(100);
      shown = ConsoleText(console);
    }
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the window closed by itself";
    // A key closes it.
    const HANDLE keys = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    INPUT_RECORD key{};
    key.EventType = KEY_EVENT;
    key.Event.KeyEvent.bKeyDown = TRUE;
    key.Event.KeyEvent.wRepeatCount = 1;
    key.Event.KeyEvent.wVirtualKeyCode = VK_SPACE;
    key.Event.KeyEvent.uChar.UnicodeChar = L' ';
    DWORD written = 0;
    WriteConsoleInputW(keys, &key, 1, &written);
    CloseHandle(keys);
    CloseHandle(console);
    FreeConsole();
  } else {
    ADD_FAILURE() << "cannot attach to the tool's console: " << GetLastError();
  }
  EXPECT_EQ(Finish(pi, 10000), 0u) << "the window did not close on a key";
  EXPECT_NE(shown.find(L"题库建好了：" + bank), std::wstring::npos) << Readable(shown);
  EXPECT_NE(shown.find(L"题目 1 道"), std::wstring::npos) << Readable(shown);
  EXPECT_NE(shown.find(L"按任意键关闭这个窗口"), std::wstring::npos) << Readable(shown);
  EXPECT_FALSE(ReadBytes(bank + L"\\填空题题库.db").empty());
}

}  // namespace
