#include <windows.h>

#include <vector>

#include "runtime/encoding.h"
#include "runtime/places.h"

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

Text ReadRegistryText(RegistryRoot root, std::string_view key, std::string_view valueName) {
  HKEY base = HKEY_CURRENT_USER;
  if (root == RegistryRoot::ClassesRoot) base = HKEY_CLASSES_ROOT;
  if (root == RegistryRoot::LocalMachine) base = HKEY_LOCAL_MACHINE;
  HKEY opened = nullptr;
  if (RegOpenKeyExW(base, GbkToWide(key).c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return Text();
  const std::wstring value = GbkToWide(valueName);
  DWORD type = 0, bytes = 0;
  Text result;
  if (RegQueryValueExW(opened, value.c_str(), nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ)) {
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(opened, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &bytes) == ERROR_SUCCESS) {
      result = WideToGbk(std::wstring_view(buffer.data()));  // stops at the terminating NUL
    }
  }
  RegCloseKey(opened);
  return result;
}

}  // namespace rt
