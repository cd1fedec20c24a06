#include <windows.h>

#include "runtime/data/encoding.h"

namespace rt {
namespace {

// One call each way: a byte never becomes more than one UTF-16 unit, and a
// UTF-16 unit never more than three bytes (UTF-8) or two (GBK), so the
// buffers are sized for the worst case instead of asking Windows first.
// `flags` MB_ERR_INVALID_CHARS makes a broken sequence fail the conversion.
std::optional<std::wstring> ToWide(unsigned codePage, std::string_view bytes, DWORD flags = 0) {
  if (bytes.empty()) return std::wstring();
  std::wstring out(bytes.size(), L'\0');
  const int n = MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                    static_cast<int>(out.size()));
  if (n <= 0 && flags != 0) return std::nullopt;
  out.resize(static_cast<size_t>(n > 0 ? n : 0));
  return out;
}

// With `exactly`, a character the code page lacks fails the conversion
// instead of becoming a look-alike or the default character.
std::optional<std::string> FromWide(unsigned codePage, std::wstring_view wide, bool exactly = false) {
  if (wide.empty()) return std::string();
  std::string out(wide.size() * 3, '\0');
  // Code page 65001 takes neither the flag nor the question.
  const bool utf8 = codePage == CP_UTF8;
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(codePage, exactly && !utf8 ? WC_NO_BEST_FIT_CHARS : 0, wide.data(),
                                    static_cast<int>(wide.size()), out.data(), static_cast<int>(out.size()), nullptr,
                                    exactly && !utf8 ? &usedDefault : nullptr);
  if (exactly && (n <= 0 || usedDefault)) return std::nullopt;
  out.resize(static_cast<size_t>(n > 0 ? n : 0));
  return out;
}

std::optional<std::string> ConvertExactly(unsigned from, unsigned to, std::string_view bytes) {
  const auto wide = ToWide(from, bytes, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  return FromWide(to, *wide, true);
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) { return *ToWide(kGbkCodePage, gbk); }
Text WideToGbk(std::wstring_view wide) { return Text(*FromWide(kGbkCodePage, wide)); }
// The database family converts every unit of a composition walk: through
// buffers kept per thread, so that a conversion makes only the text it returns.
Text Utf8ToGbk(std::string_view utf8) {
  if (utf8.empty()) return Text();
  thread_local std::wstring wide;
  thread_local std::string gbk;
  if (wide.size() < utf8.size()) wide.resize(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  if (n <= 0) return Text();
  if (gbk.size() < static_cast<size_t>(n) * 2) gbk.resize(static_cast<size_t>(n) * 2);
  const int m =
      WideCharToMultiByte(kGbkCodePage, 0, wide.data(), n, gbk.data(), static_cast<int>(gbk.size()), nullptr, nullptr);
  return Text(std::string_view(gbk.data(), static_cast<size_t>(m > 0 ? m : 0)));
}
std::string GbkToUtf8(std::string_view gbk) { return *FromWide(CP_UTF8, *ToWide(kGbkCodePage, gbk)); }

std::optional<std::string> Utf8ToGbkExactly(std::string_view utf8) {
  return ConvertExactly(CP_UTF8, kGbkCodePage, utf8);
}
std::optional<std::string> GbkToUtf8Exactly(std::string_view gbk) { return ConvertExactly(kGbkCodePage, CP_UTF8, gbk); }

}  // namespace rt
