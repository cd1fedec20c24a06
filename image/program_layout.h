// What this program keeps inside two of its image's segments.
//
// "const": a directory of the named byte-set constants, the texts, then the
// constants themselves:
//   0x00        D, the number of named constants
//   0x04        D pairs of words: offset of the constant's name, offset of its block
//               the texts, NUL-terminated, each stored once; zero bytes up to a
//               multiple of 4
//               the byte-set blocks, each at a multiple of 4: word 1, word n, n bytes
// Every offset counts from the first byte of the "const" data.
//
// "code": the program's code is compiled into the launcher, so the segment
// holds what lets the runtime find it and bind it instead of machine code:
//   the routine directory: one 16-byte entry per routine of the routine table,
//     in its order, then one for the entry routine (word "RTN1", the entry's
//     index, the offset of the routine's name in "const", the role: 0 a routine
//     of the table, 1 the entry routine). A code offset 16 × i names routine i.
//   the identifier table: one word per unit of the window (listed in "@reloc1")
//   the declared-function table: the words 0 .. F-1 (listed in "@reloc1")
//   the library table: library indices (listed in "@reloc1")
//   the data-type table: library data types (listed in "@reloc1")
//   the helper stubs: per helper slot, FF 25 and the slot's offset in the
//     runtime's helper table, with a relocation of kind 0 on the offset
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/form_codec.h"
#include "image/image_format.h"

namespace image {

// ---------------------------------------------------------------------------
// "const"

inline constexpr uint32_t kByteSetMarker = 1;  // first word of a byte-set block

class ConstBuilder {
 public:
  // The named byte-set constants come first, as the directory's size depends on them.
  explicit ConstBuilder(std::vector<std::pair<std::string, std::string>> constants);

  // The offset of the text, stored once however often it is asked for.
  uint32_t Text(std::string_view text);

  // The finished "const" data.
  std::vector<uint8_t> Finish() const;

 private:
  std::vector<std::pair<std::string, std::string>> constants_;
  std::vector<uint32_t> constantNames_;
  std::vector<uint8_t> texts_;  // from the end of the directory
  std::map<std::string, uint32_t, std::less<>> textOffsets_;
  uint32_t directorySize_ = 0;
};

struct NamedConstant {
  std::string name;
  uint32_t offset = 0;             // of its block (word 1, length, bytes) inside the "const" data
  std::span<const uint8_t> bytes;  // the constant's bytes, inside the data given to ReadConstants
};

// The directory of the "const" data, or nothing with the reason in `error`.
std::optional<std::vector<NamedConstant>> ReadConstants(std::span<const uint8_t> constData, std::string& error);

// ---------------------------------------------------------------------------
// "code"

inline constexpr uint32_t kRoutineEntrySize = 16;
inline constexpr uint32_t kRoutineMagic = 0x314E5452;  // "RTN1"
inline constexpr uint32_t kRoleRoutine = 0;
inline constexpr uint32_t kRoleEntry = 1;
inline constexpr uint32_t kHelperSlotCount = 13;
inline constexpr uint32_t kHelperStubSize = 6;  // FF 25 and a 32-bit slot address

// The code offset that names routine `index` of the routine table.
constexpr uint32_t RoutineOffset(uint32_t index) { return index * kRoutineEntrySize; }
// The routine index a code offset names, if it names one at all.
std::optional<uint32_t> RoutineIndexAt(uint32_t codeOffset);

struct CodeContents {
  std::vector<uint32_t> routineNames;  // "const" offsets of the routine table's names, in its order
  uint32_t entryName = 0;              // "const" offset of the entry routine's name
  std::vector<uint32_t> identifiers;   // the window's identifier, then each control's
  uint32_t functionCount = 0;
  std::vector<uint32_t> libraryIndices;
  std::vector<uint32_t> dataTypes;
};

struct CodeSegment {
  Segment segment;
  uint32_t entryOffset = 0;
  BindingLists bindings;
};

CodeSegment BuildCodeSegment(const CodeContents& contents);

struct RoutineEntry {
  uint32_t index = 0;
  bool entry = false;  // the entry routine rather than a routine of the table
  std::string name;
};

// The routine directory at the start of the "code" data: the routines of the
// table in order, then the entry routine. Nothing, with the reason in `error`,
// when the entries do not follow each other as they should.
std::optional<std::vector<RoutineEntry>> ReadRoutineDirectory(std::span<const uint8_t> code,
                                                              std::span<const uint8_t> constData, std::string& error);

// The names of the table's routines by their code offsets, for DecodeForm.
// The entry routine is no handler, so its offset gives nothing.
HandlerName HandlerNamesOf(std::vector<RoutineEntry> directory);

// The 32-bit word at a code offset that "@reloc1" lists, as stored.
std::optional<uint32_t> CodeWord(std::span<const uint8_t> code, uint32_t offset);

}  // namespace image
