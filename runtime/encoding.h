// Conversion between the program's GBK texts and the UTF-16 of the Windows
// W functions. Always code page 936, whatever the machine's ANSI code page is.
#pragma once

#include <string>
#include <string_view>

#include "runtime/blocks.h"

namespace rt {

inline constexpr unsigned kGbkCodePage = 936;

std::wstring GbkToWide(std::string_view gbk);
Text WideToGbk(std::wstring_view wide);

}  // namespace rt
