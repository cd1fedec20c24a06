// GBK conversions through code page 936, whatever the machine's ANSI code page.
#include <windows.h>

#include "tools/banktool/gbk.h"

namespace banktool {
namespace {

constexpr UINT kGbkCodePage = 936;

std::optional<std::wstring> ToWide(UINT codePage, std::string_view input) {
  const int length = static_cast<int>(input.size());
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, input.data(), length, nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, input.data(), length, wide.data(), n);
  return wide;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  if (utf8.empty()) return std::string();
  const auto wide = ToWide(CP_UTF8, utf8);
  if (!wide) return std::nullopt;
  const int length = static_cast<int>(wide->size());
  // No best-fit look-alikes, and the default character marks a character
  // that code page 936 does not have.
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide->data(), length, nullptr, 0, nullptr,
                                    &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string gbk(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide->data(), length, gbk.data(), n, nullptr,
                      &usedDefault);
  if (usedDefault) return std::nullopt;
  return gbk;
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  if (gbk.empty()) return std::string();
  const auto wide = ToWide(kGbkCodePage, gbk);
  if (!wide) return std::nullopt;
  const int length = static_cast<int>(wide->size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide->data(), length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::nullopt;
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide->data(), length, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace banktool
