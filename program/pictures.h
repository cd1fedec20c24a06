// The picture constants the program ships: the blank answer file handed to the
// equation editor, and the two placeholders of the answer page.
#pragma once

#include <string_view>

namespace program {

// A GIF89a file of 601 bytes: a 12 x 18 white picture followed by the equation
// editor's three data blocks (an empty equation), so that the editor opens it
// as an editable equation.
std::string_view AnswerTemplate();

// 24-bit BMP files: "答题区" (144 x 54) and "参考答案" (184 x 76).
std::string_view AnswerPlaceholder();
std::string_view ReferenceAnswerPlaceholder();

}  // namespace program
