#include "tools/teacher_kit/banktool/compare.h"

#include <zlib.h>

#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "tools/teacher_kit/banktool/bank.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

// A question picture told by its length and two checksums, so that a whole
// bank's pictures need not be held to compare them.
using PictureKey = std::tuple<size_t, uLong, uLong>;

PictureKey KeyOf(std::string_view bytes) {
  const auto* data = reinterpret_cast<const Bytef*>(bytes.data());
  uLong crc = crc32(0, Z_NULL, 0), adler = adler32(0, Z_NULL, 0);
  // zlib takes lengths as uInt: feed a large picture in parts.
  for (size_t at = 0; at < bytes.size();) {
    const uInt part = static_cast<uInt>(std::min<size_t>(bytes.size() - at, 1u << 30));
    crc = crc32(crc, data + at, part);
    adler = adler32(adler, data + at, part);
    at += part;
  }
  return {bytes.size(), crc, adler};
}

// The question picture of each record, in record order.
bool ReadKeys(const fs::path& path, std::vector<PictureKey>& keys, std::string& error) {
  return ReadBank(
      path,
      [&](const BankQuestion& question) {
        keys.push_back(KeyOf(question.pictures[0]));
        return true;
      },
      error);
}

// "record 7" or "records 7-9".
std::string Records(size_t first, size_t last) {
  return first == last ? Say(Msg::Record1, first) : Say(Msg::RecordsN, first, last);
}

}  // namespace

int CompareBanks(const fs::path& bank, const fs::path& old, std::ostream& out, std::string& error) {
  std::vector<PictureKey> now, before;
  if (!ReadKeys(bank, now, error) || !ReadKeys(old, before, error)) return -1;
  // Where each old question stood; a picture repeated in the old bank is
  // matched to its records in turn.
  std::multimap<PictureKey, size_t> oldRecords;
  for (size_t i = 0; i < before.size(); ++i) oldRecords.emplace(before[i], i + 1);
  std::vector<bool> kept(before.size() + 1, false);
  // For each record of the new bank: the old record of its question, or nothing for a new question.
  std::vector<std::optional<size_t>> from(now.size() + 1);
  for (size_t n = 1; n <= now.size(); ++n) {
    if (n <= before.size() && before[n - 1] == now[n - 1]) {
      from[n] = n;
      kept[n] = true;
      const auto range = oldRecords.equal_range(now[n - 1]);
      for (auto it = range.first; it != range.second; ++it) {
        if (it->second == n) {
          oldRecords.erase(it);
          break;
        }
      }
    }
  }
  for (size_t n = 1; n <= now.size(); ++n) {
    if (from[n]) continue;
    const auto found = oldRecords.find(now[n - 1]);
    if (found == oldRecords.end()) continue;
    from[n] = found->second;
    kept[found->second] = true;
    oldRecords.erase(found);
  }

  const std::string oldName = PathToUtf8(old);
  int changed = 0, added = 0, removed = 0;
  // Runs of records that moved by the same distance, or of new questions.
  for (size_t n = 1; n <= now.size();) {
    if (from[n] == n) {
      ++n;
      continue;
    }
    size_t last = n;
    while (last + 1 <= now.size() && from[last + 1] != last + 1 &&
           (from[n] ? from[last + 1] && *from[last + 1] + n == *from[n] + last + 1 : !from[last + 1])) {
      ++last;
    }
    const size_t count = last - n + 1;
    // Records past the old bank's end held nothing a paper could name.
    for (size_t r = n; r <= last && r <= before.size(); ++r) ++changed;
    if (from[n]) {
      out << Say(count == 1 ? Msg::CompareMoved1 : Msg::CompareMovedN, Records(n, last), Records(*from[n], *from[last]),
                 oldName)
          << "\n";
    } else {
      added += static_cast<int>(count);
      out << Say(count == 1 ? Msg::CompareNew1 : Msg::CompareNewN, Records(n, last)) << "\n";
    }
    n = last + 1;
  }
  for (size_t p = 1; p <= before.size();) {
    if (kept[p]) {
      ++p;
      continue;
    }
    size_t last = p;
    while (last + 1 <= before.size() && !kept[last + 1]) ++last;
    removed += static_cast<int>(last - p + 1);
    out << Say(last == p ? Msg::CompareGone1 : Msg::CompareGoneN, oldName, Records(p, last)) << "\n";
    p = last + 1;
  }
  out << (changed == 0 ? Say(Msg::CompareSame, oldName) : Say(Msg::CompareChanged, oldName, changed, before.size()))
      << Say(added == 1 ? Msg::CompareTotals1 : Msg::CompareTotalsN, added, removed) << "\n";
  return changed;
}

}  // namespace banktool
