#pragma once

#include <cstdint>

// Appends every line of the keyword file (program/file_names.h) to the list box, in file order.
void LoadKeywords(uint32_t listBox);
void SelectAllKeywords();
void CancelAllKeywords();
void MoveKeywordToSelected();
void MoveKeywordToCandidates();
void AddKeyword();
void RemoveKeyword();
