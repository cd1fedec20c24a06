// Names of the byte-set constants in the directory of the image's "const"
// segment; the program asks the runtime for them by these names.
#pragma once

#include <string_view>

namespace program {

inline constexpr std::string_view kAnswerTemplateConstant = "AnswerTemplate";
inline constexpr std::string_view kAnswerPlaceholderConstant = "AnswerPlaceholder";
inline constexpr std::string_view kReferenceAnswerPlaceholderConstant = "ReferenceAnswerPlaceholder";

}  // namespace program
