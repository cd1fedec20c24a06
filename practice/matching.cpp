#include "practice/matching.h"

#include <utility>

#include "runtime/data/texts.h"

namespace {

// Whether byte position `at` of the text starts a character.
bool StartsCharacter(std::string_view text, size_t at) {
  size_t i = 0;
  while (i < at) i += (rt::IsGbkLeadByte(static_cast<uint8_t>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  return i == at;
}

bool Contains(std::string_view unit, std::string_view keyword) {
  for (size_t at = unit.find(keyword); at != std::string_view::npos; at = unit.find(keyword, at + 1)) {
    if (StartsCharacter(unit, at)) return true;
  }
  return false;
}

}  // namespace

bool UnitMatchesKeywords(std::string_view unit, std::span<const rt::Text> keywords) {
  for (const rt::Text& keyword : keywords) {
    if (Contains(unit, keyword.view())) return true;
  }
  return false;
}

void ShufflePaper(rt::IntArray& paper, const RandomDraw& draw) {
  const auto n = static_cast<int32_t>(paper.size());
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t r = draw(1, n);
    if (r < 1 || r > n) continue;  // a draw outside the paper changes nothing
    std::swap(paper.at1(static_cast<size_t>(i)), paper.at1(static_cast<size_t>(r)));
  }
}
