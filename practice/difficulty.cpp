#include "practice/difficulty.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// `value` rounded to four significant digits, written in plain decimals with
// trailing zeros taken off.
std::string FourSignificantDigits(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  // The exponent after rounding: 0.99996 rounds to 1.000, whose exponent is 0.
  char scientific[32];
  std::snprintf(scientific, sizeof scientific, "%.3e", value);
  const double rounded = std::strtod(scientific, nullptr);
  const int exponent = std::atoi(std::strchr(scientific, 'e') + 1);
  const int decimals = exponent >= 3 ? 0 : 3 - exponent;
  char fixed[400];
  std::snprintf(fixed, sizeof fixed, "%.*f", decimals, rounded);
  std::string text(fixed);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  return text;
}

}  // namespace

std::string DifficultyText(double correct, double wrong) {
  if (correct + wrong == 0) return "暂无（还没有人答过）";
  return FourSignificantDigits(correct / (correct + wrong));
}
