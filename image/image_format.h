// The program image: the one record that carries the whole program to the
// runtime support library. docs/program-image.md describes every byte.
//
//   header (192 bytes)    magic "WJ", the declared functions' name offsets, counts
//   library table         one text per support library
//   segment chain         "const", "form", "help", "code", "var", "@reloc1", each
//                         a 56-byte header, its relocation entries, its stored data
//
// WriteImage turns a ProgramImage into bytes; ReadImage checks bytes and turns
// them back into the same ProgramImage. The reader never reads outside the
// bytes it is given and refuses, with a message, anything that does not follow
// the layout exactly: a truncated or damaged image is never half-read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace image {

inline constexpr uint32_t kImageMagic = 0x00004A57;  // "WJ" and two zero bytes
inline constexpr uint32_t kHeaderSize = 0xC0;        // the library table starts here
inline constexpr uint32_t kFunctionTableOffset = 0x58;
// The function tables fill the header from 0x58 to 0xC0: two words per function.
inline constexpr uint32_t kMaxDeclaredFunctions = (kHeaderSize - kFunctionTableOffset) / 8;
inline constexpr uint32_t kSegmentHeaderSize = 0x38;
// Stored-data offset of a segment that stores nothing; next-header offset of
// the last segment.
inline constexpr uint32_t kNone = 0xFFFFFFFF;
// No segment may be larger than this in memory, so a damaged size word cannot
// make a loader reserve gigabytes, and every offset times 8 fits in a word.
inline constexpr uint32_t kMaxSegmentSize = 16u << 20;

// Segment flags.
inline constexpr uint32_t kReadOnlyData = 0x01;
inline constexpr uint32_t kCode = 0x05;
inline constexpr uint32_t kZeroedGlobals = 0x13;

// The segments of an image, in chain order.
enum class SegmentId { Const, Form, Help, Code, Var, Bindings };
inline constexpr size_t kSegmentCount = 6;
inline constexpr std::array<std::string_view, kSegmentCount> kSegmentNames = {"const", "form", "help",
                                                                              "code",  "var",  "@reloc1"};
inline constexpr std::array<uint32_t, kSegmentCount> kSegmentFlags = {kReadOnlyData, kReadOnlyData,  kReadOnlyData,
                                                                      kCode,         kZeroedGlobals, kReadOnlyData};
inline constexpr size_t kNameFieldSize = 24;

// What a relocated word is made to point at.
enum class RelocationKind : uint32_t {
  HelperSlot = 0,  // a slot of the runtime's helper table
  Const = 1,       // a place inside "const"
  Var = 2,         // a place inside "var"
  Code = 3,        // a place inside "code"
};

struct Relocation {
  uint32_t offset = 0;  // of the 32-bit word inside its own segment
  RelocationKind kind = RelocationKind::HelperSlot;
  bool operator==(const Relocation&) const = default;
};

// A relocation entry word: (offset × 8) + kind.
uint32_t EncodeRelocation(const Relocation& relocation);
// The entry of a word, or nothing for the kinds 4 to 7, which do not exist.
std::optional<Relocation> DecodeRelocation(uint32_t word);

struct Library {
  std::string name;
  std::string identifier;  // 32 hexadecimal digits
  uint32_t major = 0;
  uint32_t minor = 0;
  std::string description;  // GBK
  bool operator==(const Library&) const = default;
};

// A Win32 function the program calls through the runtime, bound by name.
struct DeclaredFunction {
  uint32_t dllOffset = 0;   // of the DLL file's name inside the "const" data
  uint32_t nameOffset = 0;  // of the function's exported name inside the "const" data
  std::string dll;          // empty: one of the system DLLs
  std::string name;
  bool operator==(const DeclaredFunction&) const = default;
};

struct Segment {
  std::string name;
  uint32_t flags = 0;
  uint32_t memorySize = 0;
  std::vector<uint8_t> data;            // the stored bytes; empty when the segment stores nothing
  std::vector<Relocation> relocations;  // by rising offset, never overlapping
  bool operator==(const Segment&) const = default;
};

// The four lists of "@reloc1": offsets inside "code" of 32-bit words that the
// runtime replaces with what they name.
struct BindingLists {
  std::vector<uint32_t> identifiers;  // window and control identifiers
  std::vector<uint32_t> functions;    // indices of declared functions
  std::vector<uint32_t> libraries;    // indices into the library table
  std::vector<uint32_t> dataTypes;    // library number << 16 | type number, both from 1
  bool operator==(const BindingLists&) const = default;
};

// The content of an image. The writer lays it out; the reader gives it back.
struct ProgramImage {
  std::vector<Library> libraries;
  std::vector<DeclaredFunction> functions;  // in declaration order; index = position
  // "const", "form", "help", "code", "var" in this order; "@reloc1" is made
  // from `bindings`.
  std::vector<Segment> segments;
  uint32_t entryOffset = 0;  // of the entry routine inside the code segment's data
  BindingLists bindings;
  bool operator==(const ProgramImage&) const = default;

  const Segment& segment(SegmentId id) const { return segments.at(static_cast<size_t>(id)); }
};

// A segment header as found in the bytes.
struct SegmentHeader {
  uint32_t offset = 0;  // image offset of the header
  uint32_t length = 0;  // 0x38 + 4 per relocation entry
  uint32_t next = 0;
  uint32_t flags = 0;
  std::string name;
  uint32_t memorySize = 0;
  uint32_t storedSize = 0;
  uint32_t storedOffset = 0;
  uint32_t relocationCount = 0;
  std::vector<uint32_t> relocationWords;  // as stored: (offset × 8) + kind
};

// The header words and the segment headers as found in the bytes.
struct ImageLayout {
  uint32_t firstSegment = 0;                             // 0x24
  uint32_t word28 = 0;                                   // 0x28, always 1
  uint32_t libraryCount = 0;                             // 0x2C
  uint32_t word30 = 0;                                   // 0x30, always 0
  uint32_t imageSize = 0;                                // 0x34, the image's length in bytes
  uint32_t functionCount = 0;                            // 0x38
  uint32_t entry = 0;                                    // 0x3C, image offset of the entry routine
  std::array<uint32_t, kSegmentCount> segmentHeaders{};  // 0x40-0x57
  std::vector<SegmentHeader> chain;                      // all six, "@reloc1" included
};

struct ReadImageResult {
  ProgramImage image;
  ImageLayout layout;
};

// The image's bytes. Fails, saying why, when the content cannot be laid out
// or does not read back as itself (for example a function's offsets that do
// not lead to its texts in "const").
std::optional<std::vector<uint8_t>> WriteImage(const ProgramImage& image, std::string& error);

// The image's content and layout, or nothing with the reason in `error`.
std::optional<ReadImageResult> ReadImage(std::span<const uint8_t> bytes, std::string& error);

// The image's length according to its header (word 0x34): what a loader given
// only the image's address may read. Nothing when the first bytes are not an
// image header.
std::optional<uint32_t> ImageSizeFromHeader(std::span<const uint8_t, kHeaderSize> header);

}  // namespace image
