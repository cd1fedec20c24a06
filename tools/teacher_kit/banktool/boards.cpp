#include "tools/teacher_kit/banktool/boards.h"

#include "program/control_ids.h"
#include "program/main_window_form.h"
#include "tools/teacher_kit/banktool/manifest.h"

namespace banktool {
namespace {

PictureSize BoardSize(uint32_t id) {
  const rt::UnitDefinition* unit = program::MainWindowForm().Find(id);
  return unit ? PictureSize{unit->width, unit->height} : PictureSize{};
}

}  // namespace

const std::array<PictureBoard, 3>& PictureBoards() {
  static const std::array<PictureBoard, 3> boards = {{
      {kManifestColumns[0], Msg::QuestionBoard, BoardSize(program::题目画板)},
      {kManifestColumns[1], Msg::AnswerBoard, BoardSize(program::参考答案画板)},
      {kManifestColumns[2], Msg::SolutionBoard, BoardSize(program::解答过程画板)},
  }};
  return boards;
}

}  // namespace banktool
