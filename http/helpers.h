// The small text and byte-set helpers the request code and the rest of the
// program share. An absent text is the empty text; byte sets are compared and
// joined as raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "runtime/blocks.h"

// The texts one after the other. rt::Text holds every empty text without a
// block, so an all-empty join gives the empty text.
rt::Text JoinTexts(std::initializer_list<std::string_view> parts);

// The bytes of each set in order (pass set.view()); the empty byte set (no
// block) when they add up to nothing.
rt::ByteSet JoinByteSets(std::initializer_list<std::string_view> parts);

// 0 when equal byte for byte, -1 when a sorts first, +1 when b does; bytes
// compare as unsigned values and letter case counts.
int CompareTexts(std::string_view a, std::string_view b);

// Length in bytes, the closing zero byte not counted.
size_t TextLength(std::string_view text);

// The integer toward zero from the value, whatever the rounding mode. NaN gives
// 0; values beyond the 64-bit range give its nearest end.
int64_t TruncateToInteger(double value);
