#include <windows.h>

#include "runtime/encoding.h"

namespace rt {
namespace {

std::wstring ToWide(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string FromWide(unsigned codePage, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) { return ToWide(kGbkCodePage, gbk); }
Text WideToGbk(std::wstring_view wide) { return Text(FromWide(kGbkCodePage, wide)); }
Text Utf8ToGbk(std::string_view utf8) { return Text(FromWide(kGbkCodePage, ToWide(CP_UTF8, utf8))); }
std::string GbkToUtf8(std::string_view gbk) { return FromWide(CP_UTF8, ToWide(kGbkCodePage, gbk)); }

}  // namespace rt
