// The difficulty coefficient shown with each question: the share of correct
// answers. Touches no Windows interface.
#pragma once

#include <string>

// The coefficient 正答 / (正答 + 错答) as a student reads it: at most four
// significant digits, without trailing zeros or an exponent ("0.7731", "0.75",
// "0.5", "1", "0"). A question nobody has answered yet has no coefficient and
// says so.
std::string DifficultyText(double correct, double wrong);
