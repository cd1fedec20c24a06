// Text operations over GBK byte strings. Positions count bytes from 1; a failed
// search gives -1. Letter case means the ASCII letters only: GBK double-byte
// characters (a lead byte 0x81-0xFE and the byte after it) are never changed
// or split by a case-insensitive comparison.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/data/blocks.h"

namespace rt {

size_t TextLength(std::string_view text);

// Position from 1 of `needle` in `haystack`, searching from byte `start`
// (1-based); -1 when absent. An empty needle is found at `start` when it lies
// inside the text or just after it.
int FindText(std::string_view haystack, std::string_view needle, int start = 1, bool ignoreCase = false);

Text LeftText(std::string_view text, int count);
Text RightText(std::string_view text, int count);
// `count` bytes from the 1-based position `start`.
Text MidText(std::string_view text, int start, int count);
Text ToLowerText(std::string_view text);
// Leading and trailing spaces, tabs, CR and LF removed.
Text TrimBlanks(std::string_view text);
// Every occurrence of `from` replaced by `to`.
Text ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
Text Blanks(int count);
// 0 when equal ignoring ASCII case; otherwise the sign of the first differing
// (lower-cased, unsigned) byte.
int CompareIgnoringCase(std::string_view a, std::string_view b);

// Decimal text of an integer, without grouping or leading zeros.
Text IntegerToText(int64_t value);
// The general number-to-text conversion: up to 15 significant digits, no
// exponent for ordinary magnitudes, no trailing zeros ("0.75", "1", "0").
Text NumberToText(double value);
// Leading decimal number of the text (after blanks); 0 when there is none.
double TextToNumber(std::string_view text);

// The GBK lead-byte test used to step over double-byte characters.
constexpr bool IsGbkLeadByte(uint8_t b) { return b >= 0x81 && b <= 0xFE; }

}  // namespace rt
