#include "tools/release_build/image_dump/dump.h"

#include <cstdio>
#include <iomanip>
#include <memory>
#include <optional>
#include <vector>

#include "image/form_codec.h"
#include "image/image_format.h"
#include "image/program_layout.h"
#include "runtime/data/encoding.h"

namespace image_dump {
namespace {

using namespace image;

std::string Hex(uint32_t value, int width = 0) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", width, value);
  return buffer;
}

// A GBK text as UTF-8 in quotes, with line breaks and other control bytes escaped.
std::string Quote(std::string_view gbk) {
  const std::string utf8 = rt::GbkToUtf8(gbk);
  std::string out = "\"";
  for (char c : utf8) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

const char* KindName(rt::UnitKind kind) {
  switch (kind) {
    case rt::UnitKind::Window:
      return "window";
    case rt::UnitKind::EditBox:
      return "edit box";
    case rt::UnitKind::DrawingBoard:
      return "drawing board";
    case rt::UnitKind::GroupBox:
      return "group box";
    case rt::UnitKind::Label:
      return "label";
    case rt::UnitKind::Button:
      return "button";
    case rt::UnitKind::OptionButton:
      return "option button";
    case rt::UnitKind::ListBox:
      return "list box";
    case rt::UnitKind::TabControl:
      return "tab control";
    case rt::UnitKind::HyperlinkBox:
      return "hyperlink box";
    case rt::UnitKind::Timer:
      return "timer";
    case rt::UnitKind::Unpacker:
      return "unpacker";
  }
  return "unknown";
}

const char* RelocationKindName(RelocationKind kind) {
  switch (kind) {
    case RelocationKind::HelperSlot:
      return "helper slot";
    case RelocationKind::Const:
      return "in const";
    case RelocationKind::Var:
      return "in var";
    case RelocationKind::Code:
      return "in code";
  }
  return "unknown";
}

void DumpHeader(const ImageLayout& layout, size_t size, std::ostream& out) {
  out << "Program image, " << size << " bytes\n";
  out << "Header\n";
  out << "  0x00 magic               \"WJ\" (" << Hex(kImageMagic, 8) << ")\n";
  out << "  0x24 first segment       " << Hex(layout.firstSegment) << "\n";
  out << "  0x28                     " << layout.word28 << "\n";
  out << "  0x2C libraries           " << layout.libraryCount << "\n";
  out << "  0x30                     " << layout.word30 << "\n";
  out << "  0x34 image length        " << layout.imageSize << "\n";
  out << "  0x38 declared functions  " << layout.functionCount << "\n";
  out << "  0x3C entry routine       " << Hex(layout.entry) << "\n";
  out << "  0x40 segment headers    ";
  for (size_t i = 0; i < layout.segmentHeaders.size(); ++i) {
    out << " " << kSegmentNames[i] << "=" << Hex(layout.segmentHeaders[i]);
  }
  out << "\n";
}

void DumpLibraries(const ProgramImage& image, std::ostream& out) {
  out << "Libraries\n";
  for (size_t i = 0; i < image.libraries.size(); ++i) {
    const Library& l = image.libraries[i];
    out << "  " << i << "  " << std::left << std::setw(12) << l.name << std::right << " " << l.major << "." << l.minor
        << "  " << l.identifier << "  " << Quote(l.description) << "\n";
  }
}

void DumpFunctions(const ProgramImage& image, std::ostream& out) {
  out << "Declared functions\n";
  for (size_t i = 0; i < image.functions.size(); ++i) {
    const DeclaredFunction& f = image.functions[i];
    out << "  " << std::setw(2) << i << "  " << std::left << std::setw(20) << f.name << std::right << " "
        << (f.dll.empty() ? std::string("(system DLLs)") : f.dll) << "  [name const+" << Hex(f.nameOffset)
        << ", DLL const+" << Hex(f.dllOffset) << "]\n";
  }
}

void DumpSegments(const ReadImageResult& read, std::ostream& out) {
  out << "Segments\n";
  for (size_t i = 0; i < read.layout.chain.size(); ++i) {
    const SegmentHeader& h = read.layout.chain[i];
    out << "  " << std::left << std::setw(9) << ("\"" + h.name + "\"") << std::right << " header " << Hex(h.offset)
        << "  length " << Hex(h.length) << "  next " << Hex(h.next) << "  flags " << Hex(h.flags, 2) << "  memory "
        << h.memorySize << "  stored " << h.storedSize << " at " << Hex(h.storedOffset) << "  relocations "
        << h.relocationCount << "\n";
    const std::vector<uint8_t>* data = i < read.image.segments.size() ? &read.image.segments[i].data : nullptr;
    for (uint32_t word : h.relocationWords) {
      const std::optional<Relocation> r = DecodeRelocation(word);
      out << "      " << Hex(word, 8) << "  ";
      if (!r) {
        out << "unknown kind\n";
        continue;
      }
      out << "+" << Hex(r->offset) << " kind " << static_cast<uint32_t>(r->kind) << " (" << RelocationKindName(r->kind)
          << ")";
      if (data != nullptr) {
        if (const std::optional<uint32_t> value = CodeWord(*data, r->offset)) out << "  word " << Hex(*value, 8);
      }
      out << "\n";
    }
  }
}

void DumpBindings(const ProgramImage& image, std::ostream& out) {
  out << "Binding lists in \"@reloc1\"\n";
  const std::vector<uint8_t>& code = image.segment(SegmentId::Code).data;
  const std::pair<const char*, const std::vector<uint32_t>*> lists[] = {
      {"window and control identifiers", &image.bindings.identifiers},
      {"declared-function indices", &image.bindings.functions},
      {"support-library indices", &image.bindings.libraries},
      {"library data types", &image.bindings.dataTypes},
  };
  for (const auto& [title, sites] : lists) {
    out << "  " << title << " (" << sites->size() << " sites):";
    for (uint32_t site : *sites) {
      out << " code+" << Hex(site) << "=";
      if (const std::optional<uint32_t> value = CodeWord(code, site)) {
        out << Hex(*value);
      } else {
        out << "(zero-filled)";
      }
    }
    out << "\n";
  }
}

std::string UnitLine(const rt::UnitDefinition& u) {
  std::string line = Hex(u.id, 8) + "  " + Quote(u.name) + "  " + KindName(u.kind) + "  parent " +
                     (u.parent == 0 ? std::string("-") : Hex(u.parent, 8)) + "  page " +
                     (u.page < 0 ? std::string("-") : std::to_string(u.page)) + "  place " + std::to_string(u.left) +
                     "," + std::to_string(u.top) + " " + std::to_string(u.width) + "x" + std::to_string(u.height);
  line += "  text " + (u.text == nullptr ? std::string("none") : Quote(u.text));
  line += "  font ";
  if (u.font.IsDefault()) {
    line += "default";
  } else {
    line += Quote(u.font.face) + " " + std::to_string(u.font.height) + " weight " + std::to_string(u.font.weight);
  }
  line += "  flags ";
  line += (u.flags & rt::kFlagVisible) ? "visible" : "hidden";
  if (u.flags & rt::kFlagTakesFocus) line += "|focus";
  if (u.pointer != 0) line += "  pointer " + std::to_string(u.pointer);
  if (!u.pages.empty()) {
    line += "  pages";
    for (const char* page : u.pages) {
      line += ' ';
      line += Quote(page);
    }
  }
  if (u.target != nullptr) line += "  target " + Quote(u.target);
  line += "  events";
  if (u.events.empty()) line += " none";
  for (const rt::EventBinding& b : u.events) {
    line += ' ';
    line += std::to_string(b.event);
    line += ':';
    line += b.handler;
  }
  return line;
}

}  // namespace

bool DumpImage(std::span<const uint8_t> bytes, std::ostream& out, std::string& error) {
  const std::optional<ReadImageResult> read = ReadImage(bytes, error);
  if (!read) return false;
  const ProgramImage& image = read->image;
  DumpHeader(read->layout, bytes.size(), out);
  DumpLibraries(image, out);
  DumpFunctions(image, out);
  DumpSegments(*read, out);
  bool complete = true;
  const auto problem = [&](const std::string& what) {
    out << "  (cannot be read: " << what << ")\n";
    if (complete) error = what;
    complete = false;
  };

  const std::vector<uint8_t>& constData = image.segment(SegmentId::Const).data;
  out << "Constants in \"const\"\n";
  std::string why;
  if (const std::optional<std::vector<NamedConstant>> constants = ReadConstants(constData, why)) {
    for (const NamedConstant& c : *constants) {
      out << "  " << std::left << std::setw(28) << c.name << std::right << " const+" << Hex(c.offset) << "  "
          << c.bytes.size() << " bytes\n";
    }
  } else {
    problem(why);
  }

  out << "Routine directory in \"code\"\n";
  std::optional<std::vector<RoutineEntry>> directory =
      ReadRoutineDirectory(image.segment(SegmentId::Code).data, constData, why);
  if (directory) {
    for (const RoutineEntry& r : *directory) {
      out << "  code+" << Hex(RoutineOffset(r.index), 4) << "  " << std::setw(2) << r.index << "  " << r.name
          << (r.entry ? "  (entry routine)" : "") << "\n";
    }
  } else {
    problem(why);
  }

  DumpBindings(image, out);

  out << "Window definition in \"form\"\n";
  if (directory) {
    const std::unique_ptr<DecodedForm> form =
        DecodeForm(image.segment(SegmentId::Form).data, HandlerNamesOf(*directory), why);
    if (form) {
      out << "  " << UnitLine(form->form().window) << "\n";
      for (const rt::UnitDefinition& control : form->form().controls) out << "  " << UnitLine(control) << "\n";
    } else {
      problem(why);
    }
  } else {
    problem("without the routine directory the handlers cannot be named");
  }
  return complete;
}

}  // namespace image_dump
