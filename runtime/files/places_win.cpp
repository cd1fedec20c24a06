#include <windows.h>

#include <vector>

#include "runtime/data/encoding.h"
#include "runtime/files/paths.h"
#include "runtime/files/places.h"

namespace rt {

Text ProgramDirectory() {
  std::vector<wchar_t> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return Text();
    if (n < path.size()) {
      std::wstring dir(path.data(), n);
      const size_t slash = dir.find_last_of(L"\\/");
      dir.resize(slash == std::wstring::npos ? 0 : slash);
      return WideToGbk(dir);
    }
    path.resize(path.size() * 2);
  }
}

Text ProgramFile(std::string_view name) { return JoinPath(ProgramDirectory(), name); }

Text ReadRegistryText(RegistryRoot root, std::string_view key, std::string_view valueName, RegistryView view) {
  HKEY base = HKEY_CURRENT_USER;
  if (root == RegistryRoot::ClassesRoot) base = HKEY_CLASSES_ROOT;
  if (root == RegistryRoot::LocalMachine) base = HKEY_LOCAL_MACHINE;
  // This program is 64-bit, so the other view is the 32-bit one.
  const REGSAM access = KEY_READ | (view == RegistryView::Other ? KEY_WOW64_32KEY : 0);
  HKEY opened = nullptr;
  if (RegOpenKeyExW(base, GbkToWide(key).c_str(), 0, access, &opened) != ERROR_SUCCESS) return Text();
  const std::wstring value = GbkToWide(valueName);
  DWORD type = 0, bytes = 0;
  Text result;
  if (RegQueryValueExW(opened, value.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(opened, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) ==
        ERROR_SUCCESS) {
      result = WideToGbk(std::wstring_view(buffer.data()));  // stops at the terminating NUL
    }
  }
  RegCloseKey(opened);
  return result;
}

namespace {

// A folder named by the environment variable, or by GetTempPathW for "TEMP";
// empty when there is none.
std::wstring FolderOf(const wchar_t* variable) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = variable ? GetEnvironmentVariableW(variable, buffer.data(), static_cast<DWORD>(buffer.size()))
                             : GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return std::wstring();
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder as a GBK text, when GBK can hold its name; empty otherwise.
Text AsGbk(const std::wstring& folder) {
  if (folder.empty()) return Text();
  Text gbk = WideToGbk(folder);
  return GbkToWide(gbk.view()) == folder ? gbk : Text();
}

}  // namespace

Text PerUserFile(std::string_view name) {
  // The user's local application data folder, with a folder of the program's own.
  std::wstring local = FolderOf(L"LOCALAPPDATA");
  if (!local.empty()) {
    if (local.back() != L'\\') local += L'\\';
    local += L"Tessaly";
    CreateDirectoryW(local.c_str(), nullptr);
    if (IsFolder(local)) {
      if (Text folder = AsGbk(local); !folder.empty()) return JoinPath(folder.view(), name);
    }
  }
  const std::wstring temp = FolderOf(nullptr);
  if (IsFolder(temp)) {
    if (Text folder = AsGbk(temp); !folder.empty()) return JoinPath(folder.view(), name);
  }
  return Text();
}

}  // namespace rt
