// The question bank as the practice pages use it: its fields (its name is in
// program/file_names.h).
#pragma once

// The fields of a question record, one constant per field of
// runtime/data/question_bank.def: kFieldUnit (text), kFieldCorrect and kFieldWrong
// (numbers), kFieldQuestion, kFieldReferenceAnswer and kFieldSolution
// (pictures).
#define TESSALY_BANK_TABLE(table, key, keyDeclaration)
#define TESSALY_BANK_FIELD(identifier, name, declaration) inline constexpr const char* kField##identifier = name;
#include "runtime/data/question_bank.def"
#undef TESSALY_BANK_TABLE
#undef TESSALY_BANK_FIELD
