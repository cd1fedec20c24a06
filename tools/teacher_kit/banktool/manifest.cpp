#include "tools/teacher_kit/banktool/manifest.h"

#include <algorithm>
#include <limits>
#include <map>

#include "runtime/data/encoding.h"
#include "tools/teacher_kit/banktool/toolkit_names.h"

namespace banktool {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Moves `p` past the line end at `p` (LF, CR LF or a lone CR) and counts it.
void PassLineEnd(std::string_view text, size_t& p, int& line) {
  if (text[p] == '\r' && p + 1 < text.size() && text[p + 1] == '\n') ++p;
  ++p;
  ++line;
}

// One CSV row from `p`, on line `line`, into values; `p` and `line` end up at
// the start of the next row. A quoted value may hold line breaks, which it
// keeps as written. Returns why the row cannot be split, empty on success;
// after a fault the rest of the line is passed over.
std::string ReadCsvRow(std::string_view text, size_t& p, int& line, std::vector<std::string>& fields) {
  fields.clear();
  const auto skipRestOfLine = [&] {
    NextLine(text, p);
    ++line;
  };
  while (true) {
    std::string field;
    if (p < text.size() && text[p] == '"') {
      ++p;
      bool closed = false;
      while (p < text.size()) {
        const size_t stop = std::min(text.find_first_of("\"\r\n", p), text.size());
        field.append(text.substr(p, stop - p));
        p = stop;
        if (p == text.size()) break;
        if (text[p] != '"') {
          const size_t breakStart = p;
          PassLineEnd(text, p, line);
          field.append(text.substr(breakStart, p - breakStart));
          continue;
        }
        if (p + 1 < text.size() && text[p + 1] == '"') {
          field += '"';
          p += 2;
          continue;
        }
        ++p;
        closed = true;
        break;
      }
      if (!closed) {
        return Say(Msg::QuoteNeverClosed);
      }
      // Spaces may follow the closing quote; anything else is a stray quote.
      while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
      if (p < text.size() && text[p] != ',' && !IsLineEnd(text[p])) {
        skipRestOfLine();
        return Say(Msg::TextAfterQuote);
      }
    } else {
      const size_t end = std::min(text.find_first_of(",\r\n", p), text.size());
      field.assign(text.substr(p, end - p));
      p = end;
    }
    fields.push_back(std::move(field));
    if (p >= text.size()) return std::string();
    if (text[p] != ',') {
      PassLineEnd(text, p, line);
      return std::string();
    }
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
    if (!out.empty()) out += Say(Msg::ListSeparator);
    out += name;
  }
  return out;
}

// Drops what a spreadsheet leaves at the edges of a table: header columns
// without a name at its right end, empty values beyond the header's width,
// and rows of nothing but empty values.
void DropEmptyEdges(Table& table) {
  const auto blank = [](const std::string& v) { return TrimBlanks(v).empty(); };
  while (!table.header.empty() && blank(table.header.back())) table.header.pop_back();
  std::vector<TableRow> kept;
  for (TableRow& row : table.rows) {
    while (row.fields.size() > table.header.size() && blank(row.fields.back())) row.fields.pop_back();
    if (std::all_of(row.fields.begin(), row.fields.end(), blank)) continue;
    kept.push_back(std::move(row));
  }
  table.rows = std::move(kept);
}

}  // namespace

Table ParseTable(std::string_view bytes) {
  Table table;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    table.readable = false;
    table.problems.push_back({0, "", Say(Msg::TableUtf16)});
    return table;
  }
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  std::string fromGbk;
  if (size_t bad = 0; !IsValidUtf8(bytes, &bad)) {
    // A spreadsheet's plain "CSV" on a Chinese PC (Excel and WPS alike) is
    // GBK: taken when every byte of it is well-formed GBK.
    std::optional<std::string> utf8 = rt::GbkToUtf8Exactly(bytes);
    if (!utf8) {
      table.readable = false;
      table.problems.push_back({LineOfOffset(bytes, bad), "", Say(Msg::TableNotText)});
      return table;
    }
    fromGbk = std::move(*utf8);
    bytes = fromGbk;
    table.gbk = true;
  }

  // `line` is the line `p` stands on; a row is numbered by the line it begins on.
  int line = 1;
  bool haveHeader = false;
  std::vector<std::string> fields;
  for (size_t p = 0; p < bytes.size();) {
    const int rowLine = line;
    size_t lineEnd = p;
    const std::string_view text = NextLine(bytes, lineEnd);
    if (!haveHeader) {
      haveHeader = true;
      if (TrimBlanks(text).empty()) {
        table.readable = false;
        table.problems.push_back({1, "", Say(Msg::HeaderRowEmpty)});
        return table;
      }
      table.tabs = text.find('\t') != std::string_view::npos;
    } else if (TrimBlanks(text).empty()) {
      p = lineEnd;
      ++line;
      continue;
    }
    if (table.tabs) {
      fields = SplitTsvLine(text);
      p = lineEnd;
      ++line;
    } else if (std::string why = ReadCsvRow(bytes, p, line, fields); !why.empty()) {
      table.problems.push_back({rowLine, "", why});
      if (rowLine == 1) {
        table.readable = false;
        return table;
      }
      continue;
    }
    if (rowLine == 1) {
      table.header = std::move(fields);
    } else {
      table.rows.push_back({rowLine, std::move(fields)});
    }
  }
  if (!haveHeader) {
    table.readable = false;
    table.problems.push_back({0, "", Say(Msg::TableEmpty)});
  }
  DropEmptyEdges(table);
  return table;
}

std::optional<int32_t> ParseCount(std::string_view text, std::string& why) {
  if (text.empty()) {
    why = Say(Msg::CountEmpty);
    return std::nullopt;
  }
  const bool negative = text.front() == '-';
  const std::string_view digits = negative ? text.substr(1) : text;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    why = Say(Msg::CountNotWhole, Quoted(text));
    return std::nullopt;
  }
  if (negative && digits.find_first_not_of('0') != std::string_view::npos) {
    why = Say(Msg::CountNegative, Quoted(text));
    return std::nullopt;
  }
  int64_t value = 0;
  for (const char d : digits) {
    value = value * 10 + (d - '0');
    if (value > std::numeric_limits<int32_t>::max()) {
      why = Say(Msg::CountTooLarge, Quoted(text));
      return std::nullopt;
    }
  }
  return static_cast<int32_t>(value);
}

std::optional<std::string> NormalisePictureName(std::string_view name, std::string& why) {
  if (name.empty()) {
    why = Say(Msg::PictureNameEmpty);
    return std::nullopt;
  }
  if (HasControlCharacter(name)) {
    why = Say(Msg::HoldsControlCharacter, Quoted(name));
    return std::nullopt;
  }
  std::string slashed(name);
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  const bool drive = slashed.size() >= 2 && slashed[1] == ':';
  if (slashed.front() == '/' || drive) {
    why = Say(Msg::PictureNameFullPath, Quoted(name));
    return std::nullopt;
  }
  std::string normal;
  for (size_t p = 0; p <= slashed.size();) {
    size_t end = std::min(slashed.find('/', p), slashed.size());
    const std::string_view step = std::string_view(slashed).substr(p, end - p);
    p = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == "..") {
      why = Say(Msg::PictureNameLeadsOut, Quoted(name));
      return std::nullopt;
    }
    if (!normal.empty()) normal += '/';
    normal += step;
  }
  if (normal.empty() || slashed.back() == '/') {
    why = Say(Msg::PictureNameFolder, Quoted(name));
    return std::nullopt;
  }
  return normal;
}

std::string CheckUnit(std::string_view unit) {
  if (unit.empty()) return Say(Msg::UnitEmpty);
  if (HasControlCharacter(unit)) return Say(Msg::HoldsControlCharacter, Quoted(unit));
  if (const std::string why = CheckGbk(unit); !why.empty()) return Say(Msg::UnitNotGbk, why);
  return std::string();
}

std::string CheckSourceText(std::string_view text) {
  if (text.size() > kLongestSourceText) {
    return Say(Msg::SourceTooLong, text.size(), kLongestSourceText);
  }
  for (size_t p = 0; p < text.size();) {
    const char32_t c = NextCodePoint(text, p);
    if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) {
      return Say(Msg::SourceControl, CodePointName(c));
    }
  }
  return std::string();
}

Manifest ReadManifest(std::string_view bytes) {
  Manifest manifest;
  Table table = ParseTable(bytes);
  manifest.gbk = table.gbk;
  manifest.problems = std::move(table.problems);
  if (!table.readable) return manifest;

  // Where each column stands: the six needed ones, then the source columns
  // when they are there. A name given twice is ambiguous.
  constexpr size_t kColumns = kManifestColumns.size() + kSourceColumns.size();
  const auto columnName = [](size_t c) {
    return c < kManifestColumns.size() ? kManifestColumns[c] : kSourceColumns[c - kManifestColumns.size()];
  };
  std::vector<std::string>& header = manifest.header;
  for (const auto& name : table.header) header.emplace_back(TrimBlanks(name));
  std::vector<size_t> present;  // the columns there, as indexes of columnName
  std::array<size_t, kColumns> at{};
  bool headerOk = true;
  for (size_t c = 0; c < kColumns; ++c) {
    const std::string_view name = columnName(c);
    const auto found = std::find(header.begin(), header.end(), name);
    if (found == header.end()) {
      if (c >= kManifestColumns.size()) continue;
      headerOk = false;
      manifest.problems.push_back({1, std::string(name), Say(Msg::ColumnMissing, JoinColumns(header))});
      continue;
    }
    if (std::find(found + 1, header.end(), name) != header.end()) {
      headerOk = false;
      manifest.problems.push_back({1, std::string(name), Say(Msg::ColumnTwice)});
      continue;
    }
    at[c] = static_cast<size_t>(found - header.begin());
    present.push_back(c);
  }
  if (!headerOk) return manifest;
  manifest.usable = true;

  // Checked in the order the columns stand in the file, so that messages read
  // left to right.
  std::sort(present.begin(), present.end(), [&](size_t a, size_t b) { return at[a] < at[b]; });
  // Indexes of columnName: the first typed text, the figure, its place.
  constexpr size_t firstText = kManifestColumns.size(), figure = firstText + kSourceTextColumns, place = figure + 1;

  std::map<std::string, int> questionRows;  // question picture name -> row
  for (const TableRow& row : table.rows) {
    if (row.fields.size() != header.size()) {
      std::string text = Say(Msg::RowWidth, row.fields.size(), header.size());
      if (!table.tabs && row.fields.size() > header.size()) text += Say(Msg::RowWidthComma);
      manifest.problems.push_back({row.line, "", text});
      continue;
    }
    QuestionRow question;
    question.line = row.line;
    const size_t before = manifest.problems.size();
    for (const size_t c : present) {
      const std::string& raw = row.fields[at[c]];
      const std::string_view value = TrimBlanks(raw);
      const std::string column(columnName(c));
      std::string why;
      if (c <= 2 || c == figure) {
        if (c == figure && value.empty()) continue;  // no figure
        const auto name = NormalisePictureName(value, why);
        if (!name) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        (c == 0   ? question.question
         : c == 1 ? question.answer
         : c == 2 ? question.solution
                  : question.sources.figure) = *name;
        if (c == 0) {
          const auto [seen, isNew] = questionRows.emplace(*name, row.line);
          if (!isNew) {
            manifest.problems.push_back({row.line, column, Say(Msg::QuestionRepeated, Quoted(value), seen->second)});
          }
        }
      } else if (c == 3) {
        why = CheckUnit(value);
        if (!why.empty()) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        question.unit = value;
      } else if (c <= 5) {
        const auto count = ParseCount(value, why);
        if (!count) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        (c == 4 ? question.correct : question.wrong) = *count;
      } else if (c < figure) {
        // The typed text as it stands: its spaces and line breaks are part of it.
        why = CheckSourceText(raw);
        if (!why.empty()) {
          manifest.problems.push_back({row.line, column, why});
          continue;
        }
        question.sources.texts[c - firstText] = raw;
      } else if (c == place) {
        if (!value.empty() && std::find(kFigurePlaces.begin(), kFigurePlaces.end(), value) == kFigurePlaces.end()) {
          manifest.problems.push_back(
              {row.line, column, Say(Msg::FigurePlaceBad, Quoted(value), kFigurePlaces[0], kFigurePlaces[1])});
          continue;
        }
        question.sources.place = value;
      }
    }
    question.textOk = manifest.problems.size() == before;
    manifest.questions.push_back(std::move(question));
  }
  return manifest;
}

}  // namespace banktool
