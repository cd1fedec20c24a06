#include "image/program_layout.h"

#include <set>

#include "image/byte_io.h"

namespace image {
namespace {

using detail::ByteCursor;
using detail::Bytes;
using detail::PutBytes;
using detail::PutWord;

std::string Hex(uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text = "0x";
  bool started = false;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const unsigned digit = (value >> shift) & 0xF;
    if (digit != 0 || started || shift == 0) {
      text.push_back(digits[digit]);
      started = true;
    }
  }
  return text;
}

void PadToWord(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

}  // namespace

// ---------------------------------------------------------------------------
// "const"

ConstBuilder::ConstBuilder(std::vector<std::pair<std::string, std::string>> constants)
    : constants_(std::move(constants)), directorySize_(static_cast<uint32_t>(4 + 8 * constants_.size())) {
  for (const auto& [name, bytes] : constants_) constantNames_.push_back(Text(name));
}

uint32_t ConstBuilder::Text(std::string_view text) {
  const auto known = textOffsets_.find(text);
  if (known != textOffsets_.end()) return known->second;
  const uint32_t offset = directorySize_ + static_cast<uint32_t>(texts_.size());
  PutBytes(texts_, text);
  texts_.push_back(0);
  textOffsets_.emplace(std::string(text), offset);
  return offset;
}

std::vector<uint8_t> ConstBuilder::Finish() const {
  Bytes blocks = texts_;  // placed after the directory
  std::vector<uint32_t> blockOffsets;
  for (const auto& [name, bytes] : constants_) {
    PadToWord(blocks);
    blockOffsets.push_back(directorySize_ + static_cast<uint32_t>(blocks.size()));
    PutWord(blocks, kByteSetMarker);
    PutWord(blocks, static_cast<uint32_t>(bytes.size()));
    PutBytes(blocks, bytes);
  }
  Bytes out;
  PutWord(out, static_cast<uint32_t>(constants_.size()));
  for (size_t i = 0; i < constants_.size(); ++i) {
    PutWord(out, constantNames_[i]);
    PutWord(out, blockOffsets[i]);
  }
  PutBytes(out, blocks);
  return out;
}

std::optional<std::vector<NamedConstant>> ReadConstants(std::span<const uint8_t> constData, std::string& error) {
  ByteCursor cursor(constData);
  uint32_t count = 0;
  if (!cursor.Word(count)) {
    error = "\"const\" is too short for its directory";
    return std::nullopt;
  }
  if (count > cursor.remaining() / 8) {
    error = "the directory of \"const\" counts " + std::to_string(count) + " constants, more than it holds";
    return std::nullopt;
  }
  std::vector<NamedConstant> constants;
  std::set<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t nameOffset = 0, blockOffset = 0;
    cursor.Word(nameOffset);
    cursor.Word(blockOffset);
    NamedConstant constant;
    constant.offset = blockOffset;
    if (!detail::TextAt(constData, nameOffset, constant.name) || constant.name.empty()) {
      error = "constant " + std::to_string(i) + " of \"const\": its name at " + Hex(nameOffset) + " is not a text";
      return std::nullopt;
    }
    if (!names.insert(constant.name).second) {
      error = "\"const\" names the constant " + constant.name + " twice";
      return std::nullopt;
    }
    ByteCursor block(constData, blockOffset);
    uint32_t marker = 0, length = 0;
    if (blockOffset > constData.size() || !block.Word(marker) || !block.Word(length) ||
        !block.Take(length, constant.bytes)) {
      error = "constant " + constant.name + " at const+" + Hex(blockOffset) + " runs past the end of \"const\"";
      return std::nullopt;
    }
    if (marker != kByteSetMarker) {
      error = "constant " + constant.name + " at const+" + Hex(blockOffset) + " is not a byte set (first word " +
              Hex(marker) + ")";
      return std::nullopt;
    }
    constants.push_back(std::move(constant));
  }
  return constants;
}

// ---------------------------------------------------------------------------
// "code"

std::optional<uint32_t> RoutineIndexAt(uint32_t codeOffset) {
  if (codeOffset % kRoutineEntrySize != 0) return std::nullopt;
  return codeOffset / kRoutineEntrySize;
}

CodeSegment BuildCodeSegment(const CodeContents& contents) {
  CodeSegment result;
  Bytes code;
  const auto routine = [&](uint32_t index, uint32_t name, uint32_t role) {
    PutWord(code, kRoutineMagic);
    PutWord(code, index);
    PutWord(code, name);
    PutWord(code, role);
  };
  for (size_t i = 0; i < contents.routineNames.size(); ++i) {
    routine(static_cast<uint32_t>(i), contents.routineNames[i], kRoleRoutine);
  }
  result.entryOffset = static_cast<uint32_t>(code.size());
  routine(static_cast<uint32_t>(contents.routineNames.size()), contents.entryName, kRoleEntry);

  const auto table = [&](const std::vector<uint32_t>& words, std::vector<uint32_t>& sites) {
    for (uint32_t word : words) {
      sites.push_back(static_cast<uint32_t>(code.size()));
      PutWord(code, word);
    }
  };
  table(contents.identifiers, result.bindings.identifiers);
  std::vector<uint32_t> functionIndices;
  for (uint32_t i = 0; i < contents.functionCount; ++i) functionIndices.push_back(i);
  table(functionIndices, result.bindings.functions);
  table(contents.libraryIndices, result.bindings.libraries);
  table(contents.dataTypes, result.bindings.dataTypes);

  for (uint32_t slot = 0; slot < kHelperSlotCount; ++slot) {
    code.push_back(0xFF);
    code.push_back(0x25);
    result.segment.relocations.push_back({static_cast<uint32_t>(code.size()), RelocationKind::HelperSlot});
    PutWord(code, slot * 4);
  }

  result.segment.name = std::string(kSegmentNames[static_cast<size_t>(SegmentId::Code)]);
  result.segment.flags = kCode;
  result.segment.memorySize = static_cast<uint32_t>(code.size());
  result.segment.data = std::move(code);
  return result;
}

std::optional<std::vector<RoutineEntry>> ReadRoutineDirectory(std::span<const uint8_t> code,
                                                              std::span<const uint8_t> constData, std::string& error) {
  std::vector<RoutineEntry> entries;
  ByteCursor cursor(code);
  for (uint32_t index = 0;; ++index) {
    const uint32_t at = index * kRoutineEntrySize;
    uint32_t magic = 0, storedIndex = 0, name = 0, role = 0;
    if (!cursor.Word(magic) || !cursor.Word(storedIndex) || !cursor.Word(name) || !cursor.Word(role)) {
      error = "the routine directory of \"code\" ends at " + Hex(at) + " without the entry routine";
      return std::nullopt;
    }
    if (magic != kRoutineMagic) {
      error = "the routine directory of \"code\" ends at " + Hex(at) + " without the entry routine";
      return std::nullopt;
    }
    RoutineEntry entry;
    entry.index = storedIndex;
    if (storedIndex != index) {
      error = "routine entry " + Hex(at) + " of \"code\" gives the index " + std::to_string(storedIndex) +
              " instead of " + std::to_string(index);
      return std::nullopt;
    }
    if (role != kRoleRoutine && role != kRoleEntry) {
      error = "routine entry " + Hex(at) + " of \"code\" has the unknown role " + std::to_string(role);
      return std::nullopt;
    }
    entry.entry = role == kRoleEntry;
    if (!detail::TextAt(constData, name, entry.name) || entry.name.empty()) {
      error = "routine entry " + Hex(at) + " of \"code\": its name at const+" + Hex(name) + " is not a text";
      return std::nullopt;
    }
    entries.push_back(std::move(entry));
    if (role == kRoleEntry) return entries;
  }
}

HandlerName HandlerNamesOf(std::vector<RoutineEntry> directory) {
  return [directory = std::move(directory)](uint32_t offset) -> std::optional<std::string> {
    const std::optional<uint32_t> index = RoutineIndexAt(offset);
    if (!index || *index >= directory.size() || directory[*index].entry) return std::nullopt;
    return directory[*index].name;
  };
}

std::optional<uint32_t> CodeWord(std::span<const uint8_t> code, uint32_t offset) {
  if (offset > code.size() || code.size() - offset < 4) return std::nullopt;
  return detail::GetWord(code.data() + offset);
}

}  // namespace image
