// Prints the drawing boards that show a question's pictures, with their sizes
// from the main window's definition, as the JSON module the typesetter's page
// is built with, so that the page never retypes a size:
//   {"question": {"column": "题目", "width": 785, "height": 424}, ...}
#include <cstdio>

#include "tools/teacher_kit/banktool/boards.h"

int main() {
  static const char* const kKeys[] = {"question", "answer", "solution"};
  const auto& boards = banktool::PictureBoards();
  std::printf("{");
  for (size_t i = 0; i < boards.size(); ++i) {
    const auto& b = boards[i];
    if (b.size.width <= 0 || b.size.height <= 0) {
      std::fprintf(stderr, "typesetter-boards: the window definition has no board for %.*s\n",
                   static_cast<int>(b.column.size()), b.column.data());
      return 1;
    }
    std::printf("%s\n  \"%s\": {\"column\": \"%.*s\", \"width\": %d, \"height\": %d}", i ? "," : "", kKeys[i],
                static_cast<int>(b.column.size()), b.column.data(), b.size.width, b.size.height);
  }
  std::printf("\n}\n");
  return 0;
}
