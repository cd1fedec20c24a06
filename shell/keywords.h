#pragma once

#include <cstdint>

// The keyword file shipped with the question bank: GBK, one keyword per line.
inline constexpr const char* kKeywordFileName = "关键词.txt";

// Appends every line of the keyword file to the list box, in file order.
void LoadKeywords(uint32_t listBox);
void SelectAllKeywords();
void CancelAllKeywords();
void MoveKeywordToSelected();
void MoveKeywordToCandidates();
void AddKeyword();
void RemoveKeyword();
