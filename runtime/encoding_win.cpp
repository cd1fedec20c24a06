#include <windows.h>

#include "runtime/encoding.h"

namespace rt {
namespace {

// One call each way: a byte never becomes more than one UTF-16 unit, and a
// UTF-16 unit never more than three bytes (UTF-8) or two (GBK), so the
// buffers are sized for the worst case instead of asking Windows first.
std::wstring ToWide(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  std::wstring out(bytes.size(), L'\0');
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                    static_cast<int>(out.size()));
  out.resize(static_cast<size_t>(n > 0 ? n : 0));
  return out;
}

std::string FromWide(unsigned codePage, std::wstring_view wide) {
  if (wide.empty()) return std::string();
  std::string out(wide.size() * 3, '\0');
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(static_cast<size_t>(n > 0 ? n : 0));
  return out;
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) { return ToWide(kGbkCodePage, gbk); }
Text WideToGbk(std::wstring_view wide) { return Text(FromWide(kGbkCodePage, wide)); }
Text Utf8ToGbk(std::string_view utf8) { return Text(FromWide(kGbkCodePage, ToWide(CP_UTF8, utf8))); }
std::string GbkToUtf8(std::string_view gbk) { return FromWide(CP_UTF8, ToWide(kGbkCodePage, gbk)); }

}  // namespace rt
