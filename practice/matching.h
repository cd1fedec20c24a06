// Keyword matching and the shuffle of a practice paper; no Windows interface.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "runtime/data/blocks.h"

// True when any keyword occurs in the unit text, letter case significant. A
// match must begin on a character: the bytes of a keyword never match across
// two double-byte characters of the unit.
bool UnitMatchesKeywords(std::string_view unit, std::span<const rt::Text> keywords);

// Draws a random integer from low to high, both included.
using RandomDraw = std::function<int32_t(int32_t low, int32_t high)>;

// For i = 1..n: draw r from 1..n and swap positions i and r (n draws in all,
// each over the whole paper).
void ShufflePaper(rt::IntArray& paper, const RandomDraw& draw);
