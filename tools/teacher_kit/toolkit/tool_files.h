// What the teacher's tools need from the operating system beyond the runtime's
// file-system family (runtime/files/file_system.h): paths from and to its UTF-8,
// whole files with the system's reason for a failure, and the system's texts.
// Paths are std::filesystem paths; on Windows they hold UTF-16 and every file
// is opened through the wide functions, so any file name works whatever the
// machine's ANSI code page is.
#pragma once

#include <ctime>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace toolkit {

namespace fs = std::filesystem;

// Paths from and to the UTF-8 the tool works in.
fs::path PathFromUtf8(std::string_view utf8);
std::string PathToUtf8(const fs::path& path);

// The whole file; false with the system's reason in `error`.
bool ReadFileBytes(const fs::path& path, std::string& bytes, std::string& error);
// Creates or truncates the file, writes `bytes` and hands them to the disk;
// false with the reason.
bool WriteFileBytes(const fs::path& path, std::string_view bytes, std::string& error);

// The runtime's replacing move, with the system's reason in `error`.
bool MoveReplacing(const fs::path& from, const fs::path& to, std::string& error);

// The system's text for an error, as UTF-8 (platform_posix.cpp, platform_win.cpp).
std::string ErrorText(const std::error_code& error);
inline std::string ErrnoText(int code) { return ErrorText(std::error_code(code, std::generic_category())); }

unsigned long CurrentProcessId();

// A command-line tool's entry: runs `tool` on the arguments after the
// program name, as UTF-8, and hands it the standard output and error. On
// Windows the arguments come from wmain's wide ones and the output goes to a
// console as UTF-16 (so that Chinese shows whatever the console's code page
// is), to a file or pipe as UTF-8 bytes.
using ToolFunction = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
#ifdef _WIN32
int RunTool(int argc, wchar_t** argv, ToolFunction tool);
#else
int RunTool(int argc, char** argv, ToolFunction tool);
#endif
std::tm LocalTimeNow();

// The folder the running tool's executable stands in.
fs::path ToolFolder();

// Whether the tool is alone on its console and the console reads a keyboard:
// Explorer made the console for it (a double-click, a file dropped onto it)
// and closes it when the tool ends, so the tool waits for a key first. Never
// when run from a command prompt, a script or with its input redirected.
bool ConsoleIsOurOwn();
// Shows `prompt` and waits for a key on the console.
void WaitForKey(std::string_view prompt);

}  // namespace toolkit
