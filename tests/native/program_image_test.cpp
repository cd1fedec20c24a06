// The program's own image as the build writes it: its libraries and declared
// functions, its segments, the routine directory the bindings point into, the
// binding lists, the constants, and the window definition it carries.
#include "tools/release_build/image_build/program_image.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "image/form_codec.h"
#include "program/global_slots.h"
#include "program/main_window_form.h"
#include "program/pictures.h"
#include "image/program_layout.h"
#include "program/routine_names.h"
#include "runtime/data/hex.h"
#include "tests/native/image_test_support.h"

namespace {

using image::SegmentId;
using image_test::WordAt;

const std::vector<uint8_t>& Bytes() {
  static const std::vector<uint8_t> bytes = image_test::ImageFile();
  return bytes;
}

const image::ReadImageResult& Read() {
  static const image::ReadImageResult read = [] {
    std::string error;
    std::optional<image::ReadImageResult> result = image::ReadImage(Bytes(), error);
    if (!result) throw std::runtime_error("ReadImage: " + error);
    return std::move(*result);
  }();
  return read;
}

const image::Segment& Segment(SegmentId id) { return Read().image.segment(id); }

TEST(ProgramImage, TheBuildsFileIsTheProgramsCurrentImage) {
  std::string error;
  const std::string_view key = image::ConfiguredUpdatePublicKey();
  const std::optional<std::vector<uint8_t>> bytes = image::TessalyImageBytes(key, error);
  ASSERT_TRUE(bytes) << error;
  EXPECT_EQ(*bytes, Bytes()) << "tessaly.img is not what the program's data makes now";
  // Made twice, the same bytes: nothing in the image depends on when or where it was made.
  EXPECT_EQ(image::TessalyImageBytes(key, error), bytes);
}

TEST(ProgramImage, Header) {
  const image::ImageLayout& layout = Read().layout;
  EXPECT_EQ(WordAt(Bytes(), 0), 0x4A57u);
  EXPECT_EQ(layout.word28, 1u);
  EXPECT_EQ(layout.libraryCount, 3u);
  EXPECT_EQ(layout.word30, 0u);
  EXPECT_EQ(layout.imageSize, Bytes().size());
  EXPECT_EQ(layout.functionCount, 13u);
  // The entry is the entry routine's directory entry, after the seventeen routines of the table.
  EXPECT_EQ(layout.entry, layout.chain[3].storedOffset + 17 * 16);
}

TEST(ProgramImage, LibraryTableBytes) {
  const std::string expected =
      "krnln\r51BA3E78ECB216F4A22EA41505A64625\r4\r6\r"
      "\xCF\xB5\xCD\xB3\xBA\xCB\xD0\xC4\xD6\xA7\xB3\xD6\xBF\xE2"  // 系统核心支持库
      + std::string(1, '\0') +
      "OrvThread\r0D8708ADA9F4C810A8625D84D75FBB4D\r1\r1\r"
      "\xB6\xE0\xCF\xDF\xB3\xCC\xD6\xA7\xB3\xD6\xBF\xE2"  // 多线程支持库
      + std::string(1, '\0') +
      "orvCompress\rEEF904447203CA1FB0729A3D5354BC0E\r1\r1\r"
      "\xD1\xB9\xCB\xF5\xBD\xE2\xD1\xB9\xD6\xA7\xB3\xD6\xBF\xE2"  // 压缩解压支持库
      + std::string(1, '\0');
  ASSERT_EQ(Read().layout.firstSegment, 0xC0 + expected.size());
  EXPECT_EQ(std::string(Bytes().begin() + 0xC0, Bytes().begin() + 0xC0 + expected.size()), expected);
  const std::vector<image::Library>& libraries = Read().image.libraries;
  ASSERT_EQ(libraries.size(), 3u);
  EXPECT_EQ(libraries[image::kThreadLibrary].name, "OrvThread");
  EXPECT_EQ(libraries[image::kCompressionLibrary].name, "orvCompress");
}

TEST(ProgramImage, DeclaredFunctionsInOrderWithTheirDlls) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"CreateThread", ""},
      {"TerminateThread", ""},
      {"InternetOpenA", "wininet.dll"},
      {"InternetConnectA", "wininet.dll"},
      {"HttpOpenRequestA", "wininet.dll"},
      {"HttpSendRequestA", "wininet.dll"},
      {"InternetReadFile", "wininet.dll"},
      {"HttpQueryInfoA", "wininet.dll"},
      {"InternetCloseHandle", "wininet.dll"},
      {"InternetSetCookieA", "wininet.dll"},
      {"CallWindowProcA", ""},
      {"OpenEventA", ""},
      {"CreateEventA", ""},
  };
  const std::vector<image::DeclaredFunction>& functions = Read().image.functions;
  ASSERT_EQ(functions.size(), expected.size());
  const std::vector<uint8_t>& constData = Segment(SegmentId::Const).data;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(functions[i].name, expected[i].first) << i;
    EXPECT_EQ(functions[i].dll, expected[i].second) << i;
    // The header's tables hold the offsets of these texts inside "const".
    EXPECT_EQ(WordAt(Bytes(), 0x58 + 4 * i), functions[i].dllOffset);
    EXPECT_EQ(WordAt(Bytes(), 0x58 + 4 * 13 + 4 * i), functions[i].nameOffset);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(constData.data() + functions[i].nameOffset)),
              expected[i].first);
  }
  // Each text is stored once: all system-DLL functions share one empty text.
  EXPECT_EQ(functions[0].dllOffset, functions[12].dllOffset);
  EXPECT_EQ(constData.at(functions[0].dllOffset), 0);
  EXPECT_EQ(functions[2].dllOffset, functions[9].dllOffset);
}

TEST(ProgramImage, EverySegmentHeader) {
  const std::vector<image::SegmentHeader>& chain = Read().layout.chain;
  ASSERT_EQ(chain.size(), 6u);
  const std::vector<std::pair<std::string, uint32_t>> expected = {{"const", 1}, {"form", 1},   {"help", 1},
                                                                  {"code", 5},  {"var", 0x13}, {"@reloc1", 1}};
  for (size_t i = 0; i < chain.size(); ++i) {
    const image::SegmentHeader& h = chain[i];
    SCOPED_TRACE(h.name);
    EXPECT_EQ(h.name, expected[i].first);
    EXPECT_EQ(h.flags, expected[i].second);
    EXPECT_EQ(Read().layout.segmentHeaders[i], h.offset);
    EXPECT_EQ(h.next, i + 1 < chain.size() ? chain[i + 1].offset : 0xFFFFFFFFu);
    EXPECT_EQ(h.length, 0x38 + 4 * h.relocationCount);
    if (i != 4) {
      EXPECT_EQ(h.storedSize, h.memorySize);
      EXPECT_EQ(h.storedOffset, h.offset + h.length);
    }
    EXPECT_EQ(h.relocationCount, i == 3 ? 13u : 0u);
  }
  EXPECT_EQ(chain[0].offset, Read().layout.firstSegment);
  EXPECT_EQ(chain[2].memorySize, 52u);
  EXPECT_EQ(std::count(Segment(SegmentId::Help).data.begin(), Segment(SegmentId::Help).data.end(), 0), 52);
  // "var": the globals, one pointer wide each on this platform; nothing stored.
  EXPECT_EQ(chain[4].memorySize, sizeof(program::GlobalSlots));
  EXPECT_EQ(chain[4].storedSize, 0u);
  EXPECT_EQ(chain[4].storedOffset, 0xFFFFFFFFu);
  EXPECT_EQ(chain[5].storedOffset + chain[5].storedSize, Bytes().size());
}

TEST(ProgramImage, CodeHoldsTheRoutineDirectoryAndEndsWithTheHelperStubs) {
  std::string error;
  const auto directory =
      image::ReadRoutineDirectory(Segment(SegmentId::Code).data, Segment(SegmentId::Const).data, error);
  ASSERT_TRUE(directory) << error;
  // The program's routine names in table order, then the entry routine.
  const std::span<const char* const> routines = program::RoutineNames();
  ASSERT_EQ(directory->size(), routines.size() + 1);
  for (size_t i = 0; i < routines.size(); ++i) {
    EXPECT_EQ((*directory)[i].name, routines[i]) << i;
    EXPECT_EQ((*directory)[i].index, i);
    EXPECT_FALSE((*directory)[i].entry) << i;
  }
  EXPECT_EQ(directory->back().name, program::kEntryRoutineName);
  EXPECT_TRUE(directory->back().entry);
  EXPECT_EQ(Read().image.entryOffset, 16 * routines.size());
  // Thirteen 6-byte jumps through the helper slots 0x00 to 0x30, each operand relocated with kind 0.
  const image::Segment& code = Segment(SegmentId::Code);
  ASSERT_EQ(code.relocations.size(), 13u);
  for (uint32_t slot = 0; slot < 13; ++slot) {
    const uint32_t stub = static_cast<uint32_t>(code.data.size()) - (13 - slot) * 6;
    EXPECT_EQ(code.data[stub], 0xFF);
    EXPECT_EQ(code.data[stub + 1], 0x25);
    EXPECT_EQ(WordAt(code.data, stub + 2), 4 * slot);
    EXPECT_EQ(code.relocations[slot], (image::Relocation{stub + 2, image::RelocationKind::HelperSlot}));
  }
}

TEST(ProgramImage, BindingListsPointAtWhatTheyName) {
  const image::BindingLists& lists = Read().image.bindings;
  const std::vector<uint8_t>& code = Segment(SegmentId::Code).data;
  const auto values = [&](const std::vector<uint32_t>& sites) {
    std::multiset<uint32_t> out;
    for (uint32_t site : sites) out.insert(WordAt(code, site));
    return out;
  };
  // 1: the window and each control, once.
  std::multiset<uint32_t> units{0x52010001};
  for (const rt::UnitDefinition& control : program::MainWindowForm().controls) units.insert(control.id);
  EXPECT_EQ(values(lists.identifiers), units);
  // 2: every declared function.
  EXPECT_EQ(values(lists.functions), (std::multiset<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  // 3: the thread and compression libraries.
  EXPECT_EQ(values(lists.libraries), (std::multiset<uint32_t>{1, 2}));
  // 4: the list box, hyperlink box and unpacker types.
  EXPECT_EQ(values(lists.dataTypes), (std::multiset<uint32_t>{0x1000F, 0x1001D, 0x30001}));
  // No site is in the routine directory or the stubs, and no two sites share a word.
  std::set<uint32_t> all;
  for (const auto* list : {&lists.identifiers, &lists.functions, &lists.libraries, &lists.dataTypes}) {
    for (uint32_t site : *list) {
      EXPECT_GE(site, 18u * 16) << site;
      EXPECT_LE(site + 4, code.size() - 13 * 6) << site;
      EXPECT_EQ(site % 4, 0u) << site;
      EXPECT_TRUE(all.insert(site).second) << site;
    }
  }
}

TEST(ProgramImage, ConstantsInTheirByteSetForm) {
  std::string error;
  const std::vector<uint8_t>& constData = Segment(SegmentId::Const).data;
  const auto constants = image::ReadConstants(constData, error);
  ASSERT_TRUE(constants) << error;
  std::vector<std::pair<std::string, std::string>> expected = {
      {"AnswerTemplate", std::string(program::AnswerTemplate())},
      {"AnswerPlaceholder", std::string(program::AnswerPlaceholder())},
      {"ReferenceAnswerPlaceholder", std::string(program::ReferenceAnswerPlaceholder())},
      {"UpdatePublicKey", *image::UpdatePublicKeyConstant(image::ConfiguredUpdatePublicKey(), error)},
  };
  // Then the other settings, each in its slot, holding the build's value.
  for (const program::SettingSlot& setting : program::kSettings) {
    if (setting.kind == program::SettingKind::PublicKey) continue;
    expected.emplace_back(setting.constant, *program::SlotBytes(setting, image::BuildSetting(setting), error));
    EXPECT_EQ(expected.back().second.size(), setting.size);
  }
  ASSERT_EQ(constants->size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const image::NamedConstant& c = (*constants)[i];
    EXPECT_EQ(c.name, expected[i].first);
    EXPECT_EQ(c.offset % 4, 0u) << c.name;
    EXPECT_EQ(WordAt(constData, c.offset), 1u) << c.name;
    EXPECT_EQ(WordAt(constData, c.offset + 4), expected[i].second.size()) << c.name;
    EXPECT_EQ(
        std::string_view(reinterpret_cast<const char*>(constData.data() + c.offset + 8), expected[i].second.size()),
        expected[i].second)
        << c.name;
  }
  EXPECT_EQ((*constants)[0].bytes.size(), 601u);
  EXPECT_EQ(WordAt(constData, 0), expected.size());  // the directory's count
}

// The update public key is stored as its 64 bytes, zeros without one, so
// that a key can be written into a built image in place; a malformed key
// stops the build.
TEST(ProgramImage, TheUpdatePublicKeyIsItsBytesOrZerosAndMalformedKeysAreRefused) {
  std::string error;
  const std::string hex =
      "2DF60C18307A6465D37E91D41E17BC54DF5402AA1B4930300B67793C2CCFB349"
      "a288b04a11c3e70650687d74c74c8760d112c51db101153f4eb9329584bca87f";
  for (const auto& [key, stored] : {std::pair{std::string(), std::string(64, '\0')}, {hex, *rt::BytesFromHex(hex)}}) {
    const auto made = image::TessalyImage(key, error);
    ASSERT_TRUE(made) << error;
    const auto constants = image::ReadConstants(made->segment(SegmentId::Const).data, error);
    ASSERT_TRUE(constants && constants->size() > 3) << error;
    EXPECT_EQ(std::string((*constants)[3].bytes.begin(), (*constants)[3].bytes.end()), stored);
  }
  std::string notHex = hex;
  notHex[0] = 'x';
  for (const std::string& bad : {hex.substr(2), hex + "00", notHex, hex.substr(1) + " "}) {
    EXPECT_FALSE(image::TessalyImageBytes(bad, error)) << bad;
    EXPECT_NE(error.find("update public key"), std::string::npos) << error;
  }
}

TEST(ProgramImage, TheFormSegmentIsTheMainWindowsDefinition) {
  std::string error;
  auto directory = image::ReadRoutineDirectory(Segment(SegmentId::Code).data, Segment(SegmentId::Const).data, error);
  ASSERT_TRUE(directory) << error;
  const auto decoded = image::DecodeForm(Segment(SegmentId::Form).data, image::HandlerNamesOf(*directory), error);
  ASSERT_NE(decoded, nullptr) << error;
  EXPECT_EQ(image::FormDifference(decoded->form(), program::MainWindowForm()), "");
  EXPECT_EQ(decoded->form().controls.size(), 32u);
  // The entry routine is no handler.
  EXPECT_EQ(image::HandlerNamesOf(*directory)(17 * 16), std::nullopt);
  EXPECT_EQ(image::HandlerNamesOf(*directory)(4 * 16), "StartAnswering");
}

// The routine table that the runtime indexes is shell/routines.cpp; the image
// names routines by their place in program::RoutineNames(). Both lists must agree.

}  // namespace
