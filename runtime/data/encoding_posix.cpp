// The conversions on Linux, through iconv (used by native builds and tests).
#include <iconv.h>

#include <cerrno>

#include "runtime/data/encoding.h"

namespace rt {
namespace {

// Converts `in`; a character the target cannot hold, or a broken sequence,
// becomes one '?', or with `exactly` makes the whole conversion fail.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view in, bool exactly) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return exactly ? std::nullopt : std::optional<std::string>(out);
  std::string input(in);
  char* src = input.data();
  size_t srcLeft = input.size();
  char buffer[1024];
  bool lost = false;
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, sizeof buffer - dstLeft);
    const bool failed = r == static_cast<size_t>(-1) && errno != E2BIG;
    // A count above zero says characters were replaced by look-alikes.
    if (exactly && (failed || (r != static_cast<size_t>(-1) && r > 0))) {
      lost = true;
      break;
    }
    if (failed) {
      // One '?' for the offending character, then go on after its first byte.
      out.push_back('?');
      ++src;
      --srcLeft;
      // Skip the rest of a broken UTF-8 sequence.
      while (srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80 && std::string_view(from) == "UTF-8") {
        ++src;
        --srcLeft;
      }
    }
  }
  iconv_close(cd);
  if (lost) return std::nullopt;
  return out;
}

}  // namespace

Text Utf8ToGbk(std::string_view utf8) { return Text(*Convert("GBK", "UTF-8", utf8, false)); }
std::string GbkToUtf8(std::string_view gbk) { return *Convert("UTF-8", "GBK", gbk, false); }

std::optional<std::string> Utf8ToGbkExactly(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8, true); }
std::optional<std::string> GbkToUtf8Exactly(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk, true); }

}  // namespace rt
