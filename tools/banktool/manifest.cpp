#include "tools/banktool/manifest.h"

#include <algorithm>
#include <limits>
#include <map>

#include "tools/banktool/text.h"

namespace banktool {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One CSV line into values. Returns why it cannot be split, empty on success.
std::string SplitCsvLine(std::string_view line, std::vector<std::string>& fields) {
  fields.clear();
  size_t p = 0;
  while (true) {
    std::string field;
    if (p < line.size() && line[p] == '"') {
      ++p;
      bool closed = false;
      while (p < line.size()) {
        if (line[p] == '"') {
          if (p + 1 < line.size() && line[p + 1] == '"') {
            field += '"';
            p += 2;
            continue;
          }
          ++p;
          closed = true;
          break;
        }
        field += line[p++];
      }
      if (!closed) return "a quoted value is not closed on this line (a value cannot run over several lines)";
      // Spaces may follow the closing quote; anything else is a stray quote.
      while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
      if (p < line.size() && line[p] != ',') {
        return "text follows a closing quote; inside a quoted value write a quote as two quotes (\"\")";
      }
    } else {
      const size_t end = std::min(line.find(',', p), line.size());
      field.assign(line.substr(p, end - p));
      p = end;
    }
    fields.push_back(std::move(field));
    if (p >= line.size()) return std::string();
    ++p;  // the comma
  }
}

std::vector<std::string> SplitTsvLine(std::string_view line) {
  std::vector<std::string> fields;
  size_t p = 0;
  while (true) {
    const size_t end = std::min(line.find('\t', p), line.size());
    fields.emplace_back(line.substr(p, end - p));
    if (end == line.size()) return fields;
    p = end + 1;
  }
}

std::string JoinColumns(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) {
    if (!out.empty()) out += ", ";
    out += name;
  }
  return out;
}

}  // namespace

Table ParseTable(std::string_view bytes) {
  Table table;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    table.readable = false;
    table.problems.push_back({0, "", "is UTF-16 text; save the manifest as UTF-8 (a spreadsheet's \"CSV UTF-8\")"});
    return table;
  }
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  if (size_t bad = 0; !IsValidUtf8(bytes, &bad)) {
    table.readable = false;
    table.problems.push_back({LineOfOffset(bytes, bad), "",
                              "is not UTF-8 text; save the manifest as UTF-8 (a spreadsheet's \"CSV UTF-8\")"});
    return table;
  }

  int line = 0;
  bool haveHeader = false;
  for (size_t p = 0; p < bytes.size();) {
    ++line;
    const std::string_view text = NextLine(bytes, p);
    if (!haveHeader) {
      haveHeader = true;
      if (TrimBlanks(text).empty()) {
        table.readable = false;
        table.problems.push_back({1, "", "the first row must name the columns, but it is empty"});
        return table;
      }
      table.tabs = text.find('\t') != std::string_view::npos;
      if (table.tabs) {
        table.header = SplitTsvLine(text);
      } else if (std::string why = SplitCsvLine(text, table.header); !why.empty()) {
        table.readable = false;
        table.problems.push_back({1, "", why});
        return table;
      }
      continue;
    }
    if (TrimBlanks(text).empty()) continue;
    TableRow row{line, {}};
    if (table.tabs) {
      row.fields = SplitTsvLine(text);
    } else if (std::string why = SplitCsvLine(text, row.fields); !why.empty()) {
      table.problems.push_back({line, "", why});
      continue;
    }
    table.rows.push_back(std::move(row));
  }
  if (!haveHeader) {
    table.readable = false;
    table.problems.push_back({0, "", "is empty; its first row must name the columns"});
  }
  return table;
}

std::optional<int32_t> ParseCount(std::string_view text, std::string& why) {
  if (text.empty()) {
    why = "is empty; write a whole number such as 0";
    return std::nullopt;
  }
  const bool negative = text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    why = Quoted(text) + " is not a whole number";
    return std::nullopt;
  }
  if (negative && digits.find_first_not_of('0') != std::string_view::npos) {
    why = Quoted(text) + " is negative; a count is 0 or more";
    return std::nullopt;
  }
  int64_t value = 0;
  for (const char d : digits) {
    value = value * 10 + (d - '0');
    if (value > std::numeric_limits<int32_t>::max()) {
      why = Quoted(text) + " is too large (at most 2147483647)";
      return std::nullopt;
    }
  }
  return static_cast<int32_t>(value);
}

std::optional<std::string> NormalisePictureName(std::string_view name, std::string& why) {
  if (name.empty()) {
    why = "is empty; write the file name of the picture";
    return std::nullopt;
  }
  if (HasControlCharacter(name)) {
    why = Quoted(name) + " holds a control character";
    return std::nullopt;
  }
  std::string slashed(name);
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  const bool drive = slashed.size() >= 2 && slashed[1] == ':';
  if (slashed.front() == '/' || drive) {
    why = Quoted(name) + " is a full path; write the file name as seen from the pictures folder";
    return std::nullopt;
  }
  std::string normal;
  for (size_t p = 0; p <= slashed.size();) {
    size_t end = std::min(slashed.find('/', p), slashed.size());
    const std::string_view step = std::string_view(slashed).substr(p, end - p);
    p = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == "..") {
      why = Quoted(name) + " leads out of the pictures folder (\"..\")";
      return std::nullopt;
    }
    if (!normal.empty()) normal += '/';
    normal += step;
  }
  if (normal.empty() || slashed.back() == '/') {
    why = Quoted(name) + " names a folder, not a picture file";
    return std::nullopt;
  }
  return normal;
}

std::string CheckUnit(std::string_view unit) {
  if (unit.empty()) return "is empty; write the unit and knowledge points of the question";
  if (HasControlCharacter(unit)) return Quoted(unit) + " holds a control character";
  if (const std::string why = CheckGbk(unit); !why.empty()) return why + "; the program shows units in GBK";
  return std::string();
}

Manifest ReadManifest(std::string_view bytes) {
  Manifest manifest;
  Table table = ParseTable(bytes);
  manifest.problems = std::move(table.problems);
  if (!table.readable) return manifest;

  // Where each needed column stands; a name given twice is ambiguous.
  std::vector<std::string>& header = manifest.header;
  for (const auto& name : table.header) header.emplace_back(TrimBlanks(name));
  std::array<size_t, kManifestColumns.size()> at{};
  bool headerOk = true;
  for (size_t c = 0; c < kManifestColumns.size(); ++c) {
    const std::string_view name = kManifestColumns[c];
    const auto found = std::find(header.begin(), header.end(), name);
    if (found == header.end()) {
      headerOk = false;
      manifest.problems.push_back({1, std::string(name),
                                   "missing from the header row (it has: " + JoinColumns(header) + ")"});
      continue;
    }
    if (std::find(found + 1, header.end(), name) != header.end()) {
      headerOk = false;
      manifest.problems.push_back({1, std::string(name), "appears twice in the header row"});
      continue;
    }
    at[c] = static_cast<size_t>(found - header.begin());
  }
  if (!headerOk) return manifest;
  manifest.usable = true;

  // Checked in the order the columns stand in the file, so that messages read
  // left to right.
  std::array<size_t, kManifestColumns.size()> order{0, 1, 2, 3, 4, 5};
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return at[a] < at[b]; });

  std::map<std::string, int> questionRows;  // question picture name -> row
  for (const TableRow& row : table.rows) {
    if (row.fields.size() != header.size()) {
      std::string text = "has " + std::to_string(row.fields.size()) + " values, but the header row has " +
                         std::to_string(header.size());
      if (!table.tabs && row.fields.size() > header.size()) {
        text += " (a value holding a comma must be put in double quotes)";
      }
      manifest.problems.push_back({row.line, "", text});
      continue;
    }
    QuestionRow question;
    question.line = row.line;
    const size_t before = manifest.problems.size();
    for (const size_t c : order) {
      const std::string_view value = TrimBlanks(row.fields[at[c]]);
      const std::string column(kManifestColumns[c]);
      std::string why;
      if (c <= 2) {
        const auto name = NormalisePictureName(value, why);
        if (!name) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        (c == 0 ? question.question : c == 1 ? question.answer : question.solution) = *name;
        if (c == 0) {
          const auto [seen, isNew] = questionRows.emplace(*name, row.line);
          if (!isNew) {
            manifest.problems.push_back({row.line, column,
                                         Quoted(value) + " is already the question of row " +
                                             std::to_string(seen->second) + "; this row repeats it"});
          }
        }
      } else if (c == 3) {
        why = CheckUnit(value);
        if (!why.empty()) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        question.unit = value;
      } else {
        const auto count = ParseCount(value, why);
        if (!count) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        (c == 4 ? question.correct : question.wrong) = *count;
      }
    }
    question.textOk = manifest.problems.size() == before;
    manifest.questions.push_back(std::move(question));
  }
  return manifest;
}

}  // namespace banktool
