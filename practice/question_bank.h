// The question bank as the practice pages use it: its fields (its name is in
// program/file_names.h).
#pragma once

// The fields of a question record.
inline constexpr const char* kFieldQuestion = "题目";          // picture
inline constexpr const char* kFieldSolution = "解答过程";      // picture
inline constexpr const char* kFieldReferenceAnswer = "参考答案";  // picture
inline constexpr const char* kFieldUnit = "单元";              // text
inline constexpr const char* kFieldCorrect = "正答";           // number
inline constexpr const char* kFieldWrong = "错答";             // number
