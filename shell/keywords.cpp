#include "shell/keywords.h"

#include "program/control_ids.h"
#include "program/file_names.h"
#include "runtime/files/file_access.h"
#include "runtime/window/controls.h"
#include "update/bank_upgrade.h"

using namespace program;

void LoadKeywords(uint32_t listBox) {
  int file = rt::OpenFileForReading(kKeywordFileName);
  if (file == 0) {
    SelfRepair();
    file = rt::OpenFileForReading(kKeywordFileName);
    if (file == 0) return;
  }
  while (!rt::AtEndOfFile(file)) rt::ListAppend(listBox, rt::ReadLine(file));
  rt::CloseFile(file);
}

void SelectAllKeywords() {
  rt::ListClear(备选关键词列表框);
  rt::ListClear(选中关键词列表框);
  LoadKeywords(选中关键词列表框);
}

void CancelAllKeywords() {
  rt::ListClear(备选关键词列表框);
  rt::ListClear(选中关键词列表框);
  LoadKeywords(备选关键词列表框);
}

namespace {
// Moves the selected item of one list to the end of the other.
void MoveSelectedKeyword(uint32_t from, uint32_t to) {
  const int index = rt::ListSelectedIndex(from);
  if (index == -1) return;
  rt::ListAppend(to, rt::ListItemText(from, index));
  rt::ListDelete(from, rt::ListSelectedIndex(from));
}
}  // namespace

void MoveKeywordToSelected() { MoveSelectedKeyword(备选关键词列表框, 选中关键词列表框); }
void MoveKeywordToCandidates() { MoveSelectedKeyword(选中关键词列表框, 备选关键词列表框); }

void AddKeyword() {
  if (rt::ListSelectedIndex(备选关键词列表框) != -1) MoveKeywordToSelected();
}

void RemoveKeyword() {
  if (rt::ListSelectedIndex(选中关键词列表框) != -1) MoveKeywordToCandidates();
}
