// The program's drawing boards that show a question's pictures, with their
// sizes as the main window's definition (program/main_window_form.cpp) gives
// them. A picture larger than its board is cut off at the right and bottom.
#pragma once

#include <array>
#include <string_view>

#include "tools/teacher_kit/banktool/images.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

struct PictureBoard {
  std::string_view column;  // the manifest column and bank field: 题目, 参考答案, 解答过程
  Msg name;                 // "question board" ...
  PictureSize size;
};

// The three boards in the bank's order of pictures: question, reference
// answer, worked solution.
const std::array<PictureBoard, 3>& PictureBoards();

}  // namespace banktool
