// Conversion between UTF-8 (the manifest, the command line, SQLite) and GBK
// (Windows code page 936: the keyword file, math.ini, names inside bank.zip).
// Nothing is ever replaced by '?' or a look-alike: a text that does not
// convert gives no result. Two implementations: iconv on Linux,
// MultiByteToWideChar/WideCharToMultiByte on Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace banktool {

// Nothing when `utf8` is not well-formed UTF-8 or holds a character that GBK
// cannot encode.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// Nothing when `gbk` is not well-formed GBK.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

// The first character of well-formed UTF-8 text that GBK cannot encode, as its
// UTF-8 bytes; empty when every character converts.
std::string FirstCharacterOutsideGbk(std::string_view utf8);

// A UTF-8 literal of this program in GBK. For the fixed names the program
// writes (关键词.txt, 版本信息, ...), which always convert.
std::string Gbk(std::string_view utf8);

}  // namespace banktool
