// Small helpers over UTF-8 text shared by the bank tool's parts, and its edge
// to the GBK of the program's files.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace toolkit {

// Spaces and tabs removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// The line of `text` that starts at `position`, without its line end, and
// moves `position` past the line end. LF, CR LF and a lone CR each end a line,
// as editors and spreadsheets count them.
std::string_view NextLine(std::string_view text, size_t& position);

// The number, from 1, of the line that holds byte `offset`.
int LineOfOffset(std::string_view text, size_t offset);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF). Otherwise `badOffset` receives the offset of the
// first byte that does not fit.
bool IsValidUtf8(std::string_view text, size_t* badOffset = nullptr);

// Decodes the character of valid UTF-8 text that starts at `position` and
// moves `position` past it.
char32_t NextCodePoint(std::string_view text, size_t& position);

// "U+4E2D" style name of a character.
std::string CodePointName(char32_t c);

// True when the text holds a control character (below U+0020, or DEL).
bool HasControlCharacter(std::string_view text);

// Why UTF-8 text cannot be written as GBK (the keyword file, math.ini, the
// program's texts): it names the first character GBK cannot encode. Empty
// when the text converts.
std::string CheckGbk(std::string_view utf8);

// A UTF-8 text of this tool in GBK. For the fixed names it writes
// (关键词.txt, 版本信息, ...) and texts CheckGbk has passed.
std::string Gbk(std::string_view utf8);

}  // namespace toolkit
