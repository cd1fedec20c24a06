// Conversion between the program's GBK texts and the encodings of its
// neighbours: UTF-16 for the Windows W functions, UTF-8 for SQLite. Always code
// page 936, whatever the machine's ANSI code page is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

inline constexpr unsigned kGbkCodePage = 936;

// Characters GBK cannot hold become '?'.
Text Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// The same conversions where nothing may be lost: nothing when the text is not
// well-formed in its encoding or holds a character the other encoding lacks.
// No '?' and no look-alike stands in for a character.
std::optional<std::string> Utf8ToGbkExactly(std::string_view utf8);
std::optional<std::string> GbkToUtf8Exactly(std::string_view gbk);

#ifdef _WIN32
std::wstring GbkToWide(std::string_view gbk);
Text WideToGbk(std::wstring_view wide);
#endif

}  // namespace rt
