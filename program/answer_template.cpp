// The blank answer file, assembled from its parts: the GIF picture, then the
// equation editor's application extensions "MathType001" (the equation in the
// editor's binary equation format), "MathType003" (the same as MathML text)
// and "MathType002", then the GIF trailer.
#include <string>

#include "program/pictures.h"

namespace program {
namespace {

using namespace std::string_literals;

// One application extension: introducer, label, the 11-byte identifier and
// authentication code, the data cut into sub-blocks of at most 255 bytes, and
// the block terminator.
std::string ApplicationExtension(const std::string& identifier, const std::string& data) {
  std::string block = "\x21\xFF\x0B"s + identifier;
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    block.push_back(static_cast<char>(n));
    block += data.substr(at, n);
  }
  block.push_back('\0');
  return block;
}

std::string EquationRecords() {
  std::string e;
  e += "\x05\x01\x00\x06\x00"s;        // format version 5, Windows, MathType 6.0
  e += "DSMT6\0"s;                     // application key
  e += "\x00"s;                        // equation options
  e += "\x13WinAllBasicCodePages\0"s;  // encoding definition
  e += "\x11\x05Times New Roman\0"s;   // font definitions
  e += "\x11\x03Symbol\0"s;
  e += "\x11\x05"
       "Courier New\0"s;
  e += "\x11\x04MT Extra\0"s;
  e += "\x13WinAllCodePages\0"s;       // encoding definition
  e += "\x11\x06\xCB\xCE\xCC\xE5\0"s;  // font definition: 宋体
  // Equation preferences: sizes, spacings and styles.
  e += "\x12\x00\x08\x21\x2F\x45\x8F\x44\x2F\x41\x50\xF4\x10\x0F\x47\x5F"s;
  e += "\x41\x50\xF2\x1F\x1E\x41\x50\xF4\x15\x0F\x41\x00\xF4\x45\xF4\x25"s;
  e += "\xF4\x8F\x42\x5F\x41\x00\xF4\x10\x0F\x43\x5F\x41\x00\xF4\x8F\x45"s;
  e += "\xF4\x2A\x5F\x48\xF4\x8F\x41\x00\xF4\x10\x0F\x40\xF4\x8F\x41\x7F"s;
  e += "\x48\xF4\x10\x0F\x41\x2A\x5F\x44\x5F\x45\xF4\x5F\x45\xF4\x5F\x41"s;
  e += "\x0F\x0C\x01\x00\x01\x00\x01\x02\x02\x02\x02\x00\x02\x00\x01\x01"s;
  e += "\x01\x00\x03\x00\x01\x00\x04\x00\x05\x00"s;
  e += "\x0A"s;  // full size
  e += "\x00"s;  // end: no lines, no characters
  return e;
}

std::string MathMlText() {
  return "<?xml version=\"1.0\"?>"
         "<!-- MathType@Translator@5@5@MathML2 (namespace attr).tdl@MathML 2.0 (namespace attr)@ -->"
         "<math display='block' xmlns='"
         "http://www.w3.org/1998/Math/MathML"
         "'><semantics><annotation encoding='MathType-MTEF'></annotation></semantics></math>"
         "<!-- MathType@End@5@5@ -->";
}

std::string Build() {
  std::string gif = "GIF89a"s;
  gif += "\x0C\x00\x12\x00\xF0\x00\x00"s;                              // 12 x 18, global colour table of 2 entries
  gif += "\xFF\xFF\xFF\x00\x00\x00"s;                                  // white, black
  gif += "\x2C\x00\x00\x00\x00\x0C\x00\x12\x00\x00"s;                  // image descriptor
  gif += "\x02"s;                                                      // LZW minimum code size
  gif += "\x0D\x84\x8F\xA9\xCB\xED\x0F\xA3\x9C\xB4\xDA\x8B\x55\x01"s;  // every pixel white
  gif += "\x00"s;
  gif += ApplicationExtension("MathType001", EquationRecords());
  gif += ApplicationExtension("MathType003", MathMlText());
  gif += ApplicationExtension("MathType002", "\x02\x00\x00\x00\x00\x00"s);
  gif += "\x3B"s;
  return gif;
}

}  // namespace

std::string_view AnswerTemplate() {
  static const std::string bytes = Build();
  return bytes;
}

}  // namespace program
