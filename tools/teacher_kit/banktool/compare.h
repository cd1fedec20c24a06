// Which questions of a new bank sit at another record number than in the bank
// it replaces. A student's practice paper is a list of record numbers (the
// n-th record in 记录号 order), so a question inserted into the middle of the
// manifest makes every later number name another question.
#pragma once

#include <ostream>
#include <string>

#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {

// Lists on `out`, as runs of records, each record of `bank` that holds
// another question than the same record of `old`: a question moved from
// another record, or a new one; then the questions of `old` that `bank` no
// longer holds, and a summary line. Two questions are the same question when
// their question pictures (题目) are the same bytes; a question whose answer,
// solution, unit or counts changed is still the same question. Returns how
// many records of `bank` hold another question, or -1 with the reason in
// `error` when either bank cannot be read.
int CompareBanks(const fs::path& bank, const fs::path& old, std::ostream& out, std::string& error);

}  // namespace banktool
