#include "image/image_format.h"

#include <cstdio>

#include "image/byte_io.h"

namespace image {
namespace {

using detail::ByteCursor;
using detail::Bytes;
using detail::GetWord;
using detail::PutBytes;
using detail::PutWord;
using detail::PutZeros;
using detail::SetWord;

std::string Hex(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
  return buffer;
}

template <typename T>
std::optional<T> Fail(std::string& error, std::string message) {
  error = std::move(message);
  return std::nullopt;
}

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// ---------------------------------------------------------------------------
// Library table entries: name CR identifier CR major CR minor CR description NUL.

constexpr char kFieldSeparator = '\x0D';

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

std::optional<uint32_t> ParseVersionNumber(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return value;
}

std::string LibraryText(const Library& library) {
  return library.name + kFieldSeparator + library.identifier + kFieldSeparator + std::to_string(library.major) +
         kFieldSeparator + std::to_string(library.minor) + kFieldSeparator + library.description;
}

std::optional<Library> ParseLibrary(std::string_view text, std::string& error) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t end = text.find(kFieldSeparator, start);
    fields.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (fields.size() != 5) {
    return Fail<Library>(error, "has " + std::to_string(fields.size()) + " fields instead of 5");
  }
  Library library;
  library.name = fields[0];
  if (library.name.empty()) return Fail<Library>(error, "has no name");
  library.identifier = fields[1];
  if (library.identifier.size() != 32) return Fail<Library>(error, "has an identifier that is not 32 digits long");
  for (char c : library.identifier) {
    if (!IsHexDigit(c)) return Fail<Library>(error, "has an identifier that is not hexadecimal");
  }
  const std::optional<uint32_t> major = ParseVersionNumber(fields[2]);
  const std::optional<uint32_t> minor = ParseVersionNumber(fields[3]);
  if (!major || !minor) return Fail<Library>(error, "has a version that is not two whole numbers");
  library.major = *major;
  library.minor = *minor;
  library.description = fields[4];
  return library;
}

// ---------------------------------------------------------------------------
// "@reloc1": four lists, each a count word and that many code offsets.

Bytes EncodeBindingLists(const BindingLists& lists) {
  Bytes out;
  for (const std::vector<uint32_t>* list : {&lists.identifiers, &lists.functions, &lists.libraries, &lists.dataTypes}) {
    PutWord(out, static_cast<uint32_t>(list->size()));
    for (uint32_t site : *list) PutWord(out, site);
  }
  return out;
}

constexpr const char* kListNames[] = {"identifier", "declared-function", "library", "data-type"};

std::optional<BindingLists> DecodeBindingLists(std::span<const uint8_t> data, uint32_t codeSize, std::string& error) {
  BindingLists lists;
  std::vector<uint32_t>* targets[] = {&lists.identifiers, &lists.functions, &lists.libraries, &lists.dataTypes};
  ByteCursor cursor(data);
  for (int i = 0; i < 4; ++i) {
    uint32_t count = 0;
    if (!cursor.Word(count)) {
      return Fail<BindingLists>(error,
                                std::string("\"@reloc1\" ends before the count of its ") + kListNames[i] + " list");
    }
    if (count > cursor.remaining() / 4) {
      return Fail<BindingLists>(error, std::string("\"@reloc1\": the ") + kListNames[i] + " list counts " +
                                           std::to_string(count) + " sites, more than its data holds");
    }
    targets[i]->reserve(count);
    for (uint32_t n = 0; n < count; ++n) {
      uint32_t site = 0;
      cursor.Word(site);
      if (site > codeSize || codeSize - site < 4) {
        return Fail<BindingLists>(error, std::string("\"@reloc1\": a site of the ") + kListNames[i] + " list (" +
                                             Hex(site) + ") lies outside \"code\" (" + std::to_string(codeSize) +
                                             " bytes)");
      }
      targets[i]->push_back(site);
    }
  }
  if (!cursor.AtEnd()) {
    return Fail<BindingLists>(error,
                              "\"@reloc1\" has " + std::to_string(cursor.remaining()) + " bytes after its four lists");
  }
  return lists;
}

}  // namespace

uint32_t EncodeRelocation(const Relocation& relocation) {
  return relocation.offset * 8 + static_cast<uint32_t>(relocation.kind);
}

std::optional<Relocation> DecodeRelocation(uint32_t word) {
  const uint32_t kind = word & 7;
  if (kind > static_cast<uint32_t>(RelocationKind::Code)) return std::nullopt;
  return Relocation{word >> 3, static_cast<RelocationKind>(kind)};
}

std::optional<uint32_t> ImageSizeFromHeader(std::span<const uint8_t, kHeaderSize> header) {
  if (GetWord(header.data()) != kImageMagic) return std::nullopt;
  return GetWord(header.data() + 0x34);
}

// ---------------------------------------------------------------------------
// Writer

std::optional<std::vector<uint8_t>> WriteImage(const ProgramImage& image, std::string& error) {
  using Result = std::vector<uint8_t>;
  if (image.functions.size() > kMaxDeclaredFunctions) {
    return Fail<Result>(error, "the header holds at most " + std::to_string(kMaxDeclaredFunctions) +
                                   " declared functions, not " + std::to_string(image.functions.size()));
  }
  if (image.segments.size() != kSegmentCount - 1) {
    return Fail<Result>(error,
                        "an image has five segments before \"@reloc1\", not " + std::to_string(image.segments.size()));
  }
  for (const Segment& segment : image.segments) {
    if (segment.memorySize > kMaxSegmentSize || segment.data.size() > kMaxSegmentSize) {
      return Fail<Result>(
          error, "segment " + Quoted(segment.name) + " is larger than " + std::to_string(kMaxSegmentSize) + " bytes");
    }
    for (const Relocation& relocation : segment.relocations) {
      if (relocation.offset >= kMaxSegmentSize) {
        return Fail<Result>(error, "a relocation of " + Quoted(segment.name) + " lies beyond any segment");
      }
    }
  }
  for (const Library& library : image.libraries) {
    for (const std::string* field : {&library.name, &library.identifier, &library.description}) {
      if (field->find(kFieldSeparator) != std::string::npos || field->find('\0') != std::string::npos) {
        return Fail<Result>(error, "library " + Quoted(library.name) + " has a carriage return or NUL in a field");
      }
    }
  }

  Bytes out(kHeaderSize, 0);
  const uint32_t functionCount = static_cast<uint32_t>(image.functions.size());
  SetWord(out, 0x00, kImageMagic);
  SetWord(out, 0x28, 1);
  SetWord(out, 0x2C, static_cast<uint32_t>(image.libraries.size()));
  SetWord(out, 0x30, 0);
  SetWord(out, 0x38, functionCount);
  for (uint32_t i = 0; i < functionCount; ++i) {
    SetWord(out, kFunctionTableOffset + 4 * i, image.functions[i].dllOffset);
    SetWord(out, kFunctionTableOffset + 4 * functionCount + 4 * i, image.functions[i].nameOffset);
  }
  for (const Library& library : image.libraries) {
    PutBytes(out, LibraryText(library));
    out.push_back(0);
  }
  SetWord(out, 0x24, static_cast<uint32_t>(out.size()));

  std::vector<Segment> chain = image.segments;
  Segment bindings;
  bindings.name = std::string(kSegmentNames[static_cast<size_t>(SegmentId::Bindings)]);
  bindings.flags = kReadOnlyData;
  bindings.data = EncodeBindingLists(image.bindings);
  bindings.memorySize = static_cast<uint32_t>(bindings.data.size());
  chain.push_back(std::move(bindings));

  size_t previousHeader = 0;
  uint32_t codeData = kNone;
  for (size_t i = 0; i < chain.size(); ++i) {
    const Segment& segment = chain[i];
    const uint32_t headerOffset = static_cast<uint32_t>(out.size());
    if (i > 0) SetWord(out, previousHeader + 0x04, headerOffset);
    if (i < kSegmentCount) SetWord(out, 0x40 + 4 * i, headerOffset);
    previousHeader = headerOffset;

    const uint32_t relocationCount = static_cast<uint32_t>(segment.relocations.size());
    const uint32_t headerLength = kSegmentHeaderSize + 4 * relocationCount;
    const uint32_t storedSize = static_cast<uint32_t>(segment.data.size());
    const uint32_t storedOffset = storedSize == 0 ? kNone : headerOffset + headerLength;
    PutWord(out, headerLength);
    PutWord(out, kNone);  // next header: set when it is written
    PutWord(out, segment.flags);
    std::string name = segment.name.substr(0, kNameFieldSize - 1);
    name.resize(kNameFieldSize, '\0');
    PutBytes(out, name);
    PutWord(out, segment.memorySize);
    PutWord(out, storedSize);
    PutWord(out, storedOffset);
    PutWord(out, relocationCount);
    PutWord(out, 0);
    for (const Relocation& relocation : segment.relocations) PutWord(out, EncodeRelocation(relocation));
    PutBytes(out, segment.data);
    if (i == static_cast<size_t>(SegmentId::Code)) codeData = storedOffset;
  }
  SetWord(out, 0x3C, codeData + image.entryOffset);
  SetWord(out, 0x34, static_cast<uint32_t>(out.size()));

  // What cannot be read back as written is not an image.
  std::string readError;
  const std::optional<ReadImageResult> read = ReadImage(out, readError);
  if (!read) return Fail<Result>(error, "the image would not be readable: " + readError);
  if (!(read->image == image)) {
    return Fail<Result>(error, "the image does not read back as written (check the functions' text offsets)");
  }
  return out;
}

// ---------------------------------------------------------------------------
// Reader

namespace {

std::optional<SegmentHeader> ReadSegmentHeader(std::span<const uint8_t> bytes, uint32_t at, size_t index,
                                               std::string& error) {
  const auto expected = [&] { return Quoted(kSegmentNames[index]); };
  ByteCursor cursor(bytes, at);
  if (at > bytes.size() || cursor.remaining() < kSegmentHeaderSize) {
    return Fail<SegmentHeader>(error, "the image ends inside the header of segment " + expected() + " at " + Hex(at));
  }
  SegmentHeader header;
  header.offset = at;
  uint32_t reserved = 0;
  std::span<const uint8_t> name;
  cursor.Word(header.length);
  cursor.Word(header.next);
  cursor.Word(header.flags);
  cursor.Take(kNameFieldSize, name);
  cursor.Word(header.memorySize);
  cursor.Word(header.storedSize);
  cursor.Word(header.storedOffset);
  cursor.Word(header.relocationCount);
  cursor.Word(reserved);

  const std::string_view nameField = detail::AsText(name);
  header.name = std::string(nameField.substr(0, nameField.find('\0')));
  for (size_t i = header.name.size(); i < kNameFieldSize; ++i) {
    if (name[i] != 0) {
      return Fail<SegmentHeader>(error, "the name field of segment " + expected() + " is not NUL-padded");
    }
  }
  const auto here = [&] { return "segment " + Quoted(header.name) + " (header at " + Hex(at) + ")"; };
  if (header.name != kSegmentNames[index]) {
    return Fail<SegmentHeader>(error, "segment " + std::to_string(index + 1) + " of the chain (header at " + Hex(at) +
                                          ") is named " + Quoted(header.name) + ", expected " + expected());
  }
  if (header.flags != kSegmentFlags[index]) {
    return Fail<SegmentHeader>(error,
                               here() + " has flags " + Hex(header.flags) + ", expected " + Hex(kSegmentFlags[index]));
  }
  if (reserved != 0) return Fail<SegmentHeader>(error, here() + ": the word at +0x34 is not 0");
  if (header.relocationCount > cursor.remaining() / 4) {
    return Fail<SegmentHeader>(error, here() + " counts " + std::to_string(header.relocationCount) +
                                          " relocation entries, more than the image holds");
  }
  if (header.length != kSegmentHeaderSize + 4 * header.relocationCount) {
    return Fail<SegmentHeader>(error, here() + " gives its length as " + Hex(header.length) + ", but " +
                                          std::to_string(header.relocationCount) + " relocation entries make it " +
                                          Hex(kSegmentHeaderSize + 4 * header.relocationCount));
  }
  header.relocationWords.resize(header.relocationCount);
  for (uint32_t& word : header.relocationWords) cursor.Word(word);
  return header;
}

// Checks one segment header against the rules of the chain and reads its
// relocations; its stored data is only checked to lie inside the image.
std::optional<Segment> ReadSegment(std::span<const uint8_t> bytes, const SegmentHeader& header, size_t index,
                                   std::string& error) {
  const auto here = [&] { return "segment " + Quoted(header.name) + " (header at " + Hex(header.offset) + ")"; };
  Segment segment;
  segment.name = header.name;
  segment.flags = header.flags;
  segment.memorySize = header.memorySize;
  if (header.memorySize > kMaxSegmentSize) {
    return Fail<Segment>(error, here() + " asks for " + std::to_string(header.memorySize) +
                                    " bytes of memory, more than the limit of " + std::to_string(kMaxSegmentSize));
  }
  if (header.storedSize > header.memorySize) {
    return Fail<Segment>(error, here() + " stores " + std::to_string(header.storedSize) + " bytes but is only " +
                                    std::to_string(header.memorySize) + " bytes in memory");
  }
  if (index == static_cast<size_t>(SegmentId::Var) && header.storedSize != 0) {
    return Fail<Segment>(error, here() + " stores data; the globals start as zeros and store nothing");
  }
  if (index == static_cast<size_t>(SegmentId::Bindings) && header.storedSize != header.memorySize) {
    return Fail<Segment>(error, here() + " must store all of its " + std::to_string(header.memorySize) + " bytes");
  }
  if (index == static_cast<size_t>(SegmentId::Bindings) && header.relocationCount != 0) {
    return Fail<Segment>(error, here() + " has relocation entries");
  }
  const uint64_t headerEnd = uint64_t{header.offset} + header.length;
  if (header.storedSize == 0) {
    if (header.storedOffset != kNone) {
      return Fail<Segment>(error, here() + " stores nothing but gives a data offset of " + Hex(header.storedOffset) +
                                      " instead of 0xFFFFFFFF");
    }
  } else {
    if (header.storedOffset != headerEnd) {
      return Fail<Segment>(error, here() + " gives its data offset as " + Hex(header.storedOffset) +
                                      "; the data follows the header at " + Hex(headerEnd));
    }
    if (uint64_t{header.storedOffset} + header.storedSize > bytes.size()) {
      return Fail<Segment>(error, here() + ": its " + std::to_string(header.storedSize) + " bytes of data at " +
                                      Hex(header.storedOffset) + " run past the end of the image (" +
                                      std::to_string(bytes.size()) + " bytes)");
    }
    // The data is copied once the whole chain has been checked.
  }
  uint64_t freeFrom = 0;  // the first offset the next relocated word may use
  for (uint32_t word : header.relocationWords) {
    const std::optional<Relocation> relocation = DecodeRelocation(word);
    if (!relocation) {
      return Fail<Segment>(
          error, here() + ": relocation entry " + Hex(word) + " has the unknown kind " + std::to_string(word & 7));
    }
    if (uint64_t{relocation->offset} + 4 > header.memorySize) {
      return Fail<Segment>(error, here() + ": relocation at " + Hex(relocation->offset) + " lies outside its " +
                                      std::to_string(header.memorySize) + " bytes");
    }
    if (relocation->offset < freeFrom) {
      return Fail<Segment>(
          error, here() + ": relocation at " + Hex(relocation->offset) + " is out of order or overlaps the one before");
    }
    freeFrom = uint64_t{relocation->offset} + 4;
    segment.relocations.push_back(*relocation);
  }
  return segment;
}

}  // namespace

std::optional<ReadImageResult> ReadImage(std::span<const uint8_t> bytes, std::string& error) {
  using Result = ReadImageResult;
  if (bytes.size() < kHeaderSize) {
    return Fail<Result>(error,
                        "an image of " + std::to_string(bytes.size()) + " bytes is shorter than the 192-byte header");
  }
  Result result;
  ImageLayout& layout = result.layout;
  ProgramImage& image = result.image;
  const uint8_t* header = bytes.data();

  if (GetWord(header) != kImageMagic)
    return Fail<Result>(error, "the image does not start with \"WJ\" and two zero bytes");
  for (uint32_t at = 0x04; at < 0x24; at += 4) {
    if (GetWord(header + at) != 0) return Fail<Result>(error, "header word " + Hex(at) + " is not 0");
  }
  layout.firstSegment = GetWord(header + 0x24);
  layout.word28 = GetWord(header + 0x28);
  layout.libraryCount = GetWord(header + 0x2C);
  layout.word30 = GetWord(header + 0x30);
  layout.imageSize = GetWord(header + 0x34);
  layout.functionCount = GetWord(header + 0x38);
  layout.entry = GetWord(header + 0x3C);
  for (size_t i = 0; i < kSegmentCount; ++i) layout.segmentHeaders[i] = GetWord(header + 0x40 + 4 * i);

  if (layout.imageSize != bytes.size()) {
    return Fail<Result>(error, "the header gives the image's length as " + std::to_string(layout.imageSize) +
                                   " bytes, but " + std::to_string(bytes.size()) + " bytes are present");
  }
  if (layout.word28 != 1) return Fail<Result>(error, "header word 0x28 is " + Hex(layout.word28) + ", expected 1");
  if (layout.word30 != 0) return Fail<Result>(error, "header word 0x30 is " + Hex(layout.word30) + ", expected 0");
  if (layout.functionCount > kMaxDeclaredFunctions) {
    return Fail<Result>(error, "the header declares " + std::to_string(layout.functionCount) +
                                   " functions; its tables hold at most " + std::to_string(kMaxDeclaredFunctions));
  }
  for (uint32_t at = kFunctionTableOffset + 8 * layout.functionCount; at < kHeaderSize; at += 4) {
    if (GetWord(header + at) != 0) {
      return Fail<Result>(error, "header word " + Hex(at) + " lies beyond the function tables and is not 0");
    }
  }

  // The library table fills the bytes between the header and the first segment.
  if (layout.firstSegment < kHeaderSize || layout.firstSegment > bytes.size()) {
    return Fail<Result>(error, "the first segment's offset " + Hex(layout.firstSegment) + " lies outside the image");
  }
  {
    const std::span<const uint8_t> table = bytes.subspan(kHeaderSize, layout.firstSegment - kHeaderSize);
    if (layout.libraryCount > table.size()) {
      return Fail<Result>(error, "the header lists " + std::to_string(layout.libraryCount) +
                                     " libraries, more than the library table holds");
    }
    ByteCursor cursor(table);
    for (uint32_t i = 0; i < layout.libraryCount; ++i) {
      std::string text;
      if (!cursor.CText(text)) {
        return Fail<Result>(error, "library " + std::to_string(i) + " runs past the end of the library table");
      }
      std::string why;
      std::optional<Library> library = ParseLibrary(text, why);
      if (!library) return Fail<Result>(error, "library " + std::to_string(i) + " " + why);
      image.libraries.push_back(std::move(*library));
    }
    if (!cursor.AtEnd()) {
      return Fail<Result>(error, "the library table has " + std::to_string(cursor.remaining()) +
                                     " bytes after its last library, up to the first segment");
    }
  }

  // The segment chain: six segments, each header directly after the data of
  // the one before, the last one ending the image.
  std::vector<Segment> segments;
  uint32_t at = layout.firstSegment;
  for (size_t i = 0; i < kSegmentCount; ++i) {
    std::optional<SegmentHeader> segmentHeader = ReadSegmentHeader(bytes, at, i, error);
    if (!segmentHeader) return std::nullopt;
    std::optional<Segment> segment = ReadSegment(bytes, *segmentHeader, i, error);
    if (!segment) return std::nullopt;
    const uint64_t end = segmentHeader->storedSize == 0
                             ? uint64_t{segmentHeader->offset} + segmentHeader->length
                             : uint64_t{segmentHeader->storedOffset} + segmentHeader->storedSize;
    const auto here = [&] { return "segment " + Quoted(segment->name) + " (header at " + Hex(at) + ")"; };
    if (i + 1 < kSegmentCount) {
      if (segmentHeader->next != end) {
        return Fail<Result>(error, here() + " gives the next header at " + Hex(segmentHeader->next) +
                                       "; it follows this segment at " + Hex(end));
      }
    } else {
      if (segmentHeader->next != kNone) {
        return Fail<Result>(error,
                            here() + " is the last segment but gives a next header at " + Hex(segmentHeader->next));
      }
      if (end != bytes.size()) {
        return Fail<Result>(error,
                            "the image has " + std::to_string(bytes.size() - end) + " bytes after its last segment");
      }
    }
    if (layout.segmentHeaders[i] != at) {
      return Fail<Result>(error, "header word " + Hex(0x40 + 4 * i) + " gives " + Hex(layout.segmentHeaders[i]) +
                                     " for the header of " + Quoted(kSegmentNames[i]) + ", which is at " + Hex(at));
    }
    layout.chain.push_back(std::move(*segmentHeader));
    segments.push_back(std::move(*segment));
    at = static_cast<uint32_t>(end);
  }

  for (size_t i = 0; i < kSegmentCount; ++i) {
    const SegmentHeader& header = layout.chain[i];
    if (header.storedSize != 0) {
      segments[i].data.assign(bytes.begin() + header.storedOffset,
                              bytes.begin() + header.storedOffset + header.storedSize);
    }
  }

  const Segment& code = segments[static_cast<size_t>(SegmentId::Code)];
  const SegmentHeader& codeHeader = layout.chain[static_cast<size_t>(SegmentId::Code)];
  std::optional<BindingLists> bindings =
      DecodeBindingLists(segments[static_cast<size_t>(SegmentId::Bindings)].data, code.memorySize, error);
  if (!bindings) return std::nullopt;
  image.bindings = std::move(*bindings);

  if (code.data.empty()) return Fail<Result>(error, "segment \"code\" stores nothing, so it has no entry routine");
  if (layout.entry < codeHeader.storedOffset || layout.entry - codeHeader.storedOffset >= code.data.size()) {
    return Fail<Result>(error,
                        "the entry routine's offset " + Hex(layout.entry) + " lies outside the data of \"code\"");
  }
  image.entryOffset = layout.entry - codeHeader.storedOffset;

  const std::vector<uint8_t>& constData = segments[static_cast<size_t>(SegmentId::Const)].data;
  for (uint32_t i = 0; i < layout.functionCount; ++i) {
    DeclaredFunction function;
    function.dllOffset = GetWord(header + kFunctionTableOffset + 4 * i);
    function.nameOffset = GetWord(header + kFunctionTableOffset + 4 * layout.functionCount + 4 * i);
    if (!detail::TextAt(constData, function.dllOffset, function.dll)) {
      return Fail<Result>(error, "declared function " + std::to_string(i) + ": its DLL name at const+" +
                                     Hex(function.dllOffset) + " is not a text inside \"const\"");
    }
    if (!detail::TextAt(constData, function.nameOffset, function.name) || function.name.empty()) {
      return Fail<Result>(error, "declared function " + std::to_string(i) + ": its name at const+" +
                                     Hex(function.nameOffset) + " is not a text inside \"const\"");
    }
    image.functions.push_back(std::move(function));
  }

  segments.pop_back();  // "@reloc1" lives on as `bindings`
  image.segments = std::move(segments);
  return result;
}

}  // namespace image
