// The image dumper on the program's image: every part is shown, texts as
// UTF-8, one line per unit of the window with its bindings by handler name;
// a damaged image is reported, with what could be read still shown.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "program/main_window_form.h"
#include "tests/native/image_test_support.h"
#include "tools/release_build/image_dump/dump.h"

namespace {

// Expected output is UTF-8 whatever the execution character set of this file.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The line of the window definition that starts with this identifier.
std::string UnitLine(const std::vector<std::string>& lines, const std::string& id) {
  for (const std::string& line : lines) {
    if (line.rfind("  " + id + "  ", 0) == 0) return line;
  }
  return "(no line for " + id + ")";
}

TEST(ImageDump, ShowsEveryPartOfTheProgramsImage) {
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(image_dump::DumpImage(image_test::ImageFile(), out, error)) << error;
  const std::string text = out.str();
  for (const std::string part :
       {"Header", "Libraries", "Declared functions", "Segments", "Constants in \"const\"",
        "Routine directory in \"code\"", "Binding lists in \"@reloc1\"", "Window definition in \"form\""}) {
    EXPECT_NE(text.find("\n" + part + "\n"), std::string::npos) << part;
  }
  EXPECT_NE(text.find("  0  krnln        4.6  51BA3E78ECB216F4A22EA41505A64625  " + Utf8(u8"\"系统核心支持库\"")),
            std::string::npos);
  EXPECT_NE(text.find("   9  InternetSetCookieA   wininet.dll"), std::string::npos);
  EXPECT_NE(text.find("  12  CreateEventA         (system DLLs)"), std::string::npos);
  EXPECT_NE(text.find("flags 0x13  memory " + std::to_string(12 * sizeof(void*)) + "  stored 0 at 0xFFFFFFFF"),
            std::string::npos);
  EXPECT_NE(text.find("kind 0 (helper slot)  word 0x00000030"), std::string::npos);
  EXPECT_NE(text.find("AnswerTemplate               const+"), std::string::npos);
  EXPECT_NE(text.find("601 bytes"), std::string::npos);
  EXPECT_NE(text.find("ProgramEntry  (entry routine)"), std::string::npos);
  EXPECT_NE(text.find("support-library indices (2 sites):"), std::string::npos);

  const std::vector<std::string> lines = Lines(text);
  EXPECT_NE(
      UnitLine(lines, "0x52010001")
          .find(Utf8(u8"window  parent -  page -  place 50,50 805x606  text \"《Tessaly》之填空题练习" TESSALY_VERSION
                     "\"")),
      std::string::npos);
  EXPECT_NE(UnitLine(lines, "0x52010001").find("events 0:OnMainWindowCreated"), std::string::npos);
  EXPECT_NE(UnitLine(lines, "0x1601001C")
                .find(Utf8(u8"\"答题画板\"  drawing board  parent 0x16010002  page 0  place 5,480 280x64  text none  "
                           u8"font default  flags visible  events -3:StartAnswering")),
            std::string::npos);
  EXPECT_NE(
      UnitLine(lines, "0x16010048")
          .find(Utf8(u8"text \"开始组题\"  font \"宋体\" -19 weight 700  flags visible|focus  events 0:ComposePaper")),
      std::string::npos);
  EXPECT_NE(UnitLine(lines, "0x16010096").find("text \"" + Utf8(u8"加入") + "\\r\\n==>\""), std::string::npos);
  EXPECT_NE(UnitLine(lines, "0x16010002")
                .find(Utf8(u8"pages \"答题\" \"组题\" \"解答过程\" \"在线升级与反馈\" \"关于本软件\"")),
            std::string::npos);
  EXPECT_NE(UnitLine(lines, "0x1601010B").find("target \"\""), std::string::npos);  // set at start-up
  EXPECT_NE(UnitLine(lines, "0x16010089").find("pointer 32513"), std::string::npos);
  EXPECT_NE(UnitLine(lines, "0x160100FA").find("flags hidden|focus"), std::string::npos);
  // One line per unit.
  for (const rt::UnitDefinition& unit : program::MainWindowForm().controls) {
    char id[16];
    std::snprintf(id, sizeof id, "0x%08X", unit.id);
    EXPECT_NE(UnitLine(lines, id).find("parent 0x"), std::string::npos) << id;
  }
}

TEST(ImageDump, ReportsWhatItCannotRead) {
  std::vector<uint8_t> bytes = image_test::ImageFile();
  std::ostringstream out;
  std::string error;
  bytes[0] = 'M';
  EXPECT_FALSE(image_dump::DumpImage(bytes, out, error));
  EXPECT_NE(error.find("\"WJ\""), std::string::npos) << error;
  EXPECT_EQ(out.str(), "");

  // A window definition that does not decode: the rest is still shown.
  bytes = image_test::ImageFile();
  std::string readError;
  const auto read = image::ReadImage(bytes, readError);
  ASSERT_TRUE(read) << readError;
  image_test::PatchWord(bytes, read->layout.chain[1].storedOffset, 9);  // the form's first word
  out.str("");
  error.clear();
  EXPECT_FALSE(image_dump::DumpImage(bytes, out, error));
  EXPECT_NE(error.find("window definition"), std::string::npos) << error;
  EXPECT_NE(out.str().find("ProgramEntry  (entry routine)"), std::string::npos);
  EXPECT_NE(out.str().find("(cannot be read: window definition"), std::string::npos);
}

}  // namespace
