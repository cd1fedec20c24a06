// The program's image made ready to run, as the runtime support library runs
// it: everything the program is given comes from the image, and binding sites
// that name nothing stop it before anything runs.
#include "image/runnable_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program/constant_names.h"
#include "program/global_slots.h"
#include "program/main_window_form.h"
#include "program/pictures.h"
#include "program/routine_names.h"
#include "tests/native/image_test_support.h"
#include "tools/release_build/image_build/program_image.h"

namespace {

using image::SegmentId;
using image_test::PatchWord;
using image_test::WordAt;

const std::vector<uint8_t>& Bytes() {
  static const std::vector<uint8_t> bytes = image_test::ImageFile();
  return bytes;
}

std::unique_ptr<image::RunnableImage> Prepare(const std::vector<uint8_t>& bytes, std::string& error) {
  return image::PrepareImage(bytes, error);
}

// Image offset of the stored "code" data.
uint32_t CodeData(const std::vector<uint8_t>& bytes) {
  std::string error;
  const auto read = image::ReadImage(bytes, error);
  if (!read) throw std::runtime_error(error);
  return read->layout.chain.at(static_cast<size_t>(SegmentId::Code)).storedOffset;
}

const image::BindingLists& Bindings() {
  static const image::BindingLists lists = [] {
    std::string error;
    return image::ReadImage(Bytes(), error)->image.bindings;
  }();
  return lists;
}

std::string Bytes(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(RunnableImage, TheProgramGetsItsWindowRoutinesConstantsAndSlotsFromTheImage) {
  std::string error;
  const auto r = Prepare(Bytes(), error);
  ASSERT_TRUE(r) << error;

  EXPECT_EQ(image::FormDifference(r->form->form(), program::MainWindowForm()), "");

  const auto names = program::RoutineNames();
  ASSERT_EQ(r->routines.size(), names.size() + 1);
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(r->routines[i].name, names[i]);
    EXPECT_FALSE(r->routines[i].entry);
  }
  EXPECT_TRUE(r->entry().entry);
  EXPECT_EQ(r->entry().name, program::kEntryRoutineName);

  ASSERT_EQ(r->constants.size(), 3 + program::kSettings.size());
  const auto constant = [&](std::string_view name) {
    const auto it = std::find_if(r->constants.begin(), r->constants.end(),
                                 [name](const image::NamedConstant& c) { return c.name == name; });
    return it == r->constants.end() ? std::string("(missing)") : Bytes(it->bytes);
  };
  EXPECT_EQ(constant(program::kAnswerTemplateConstant), program::AnswerTemplate());
  EXPECT_EQ(constant(program::kAnswerPlaceholderConstant), program::AnswerPlaceholder());
  EXPECT_EQ(constant(program::kReferenceAnswerPlaceholderConstant), program::ReferenceAnswerPlaceholder());
  EXPECT_EQ(constant(program::kUpdatePublicKeyConstant),
            image::UpdatePublicKeyConstant(image::ConfiguredUpdatePublicKey(), error));
  // The constants are read where the runtime keeps them: inside the laid-out block.
  for (const image::NamedConstant& c : r->constants) {
    EXPECT_GE(c.bytes.data(), r->loaded.memory.data());
    EXPECT_LE(c.bytes.data() + c.bytes.size(), r->loaded.memory.data() + r->loaded.memory.size());
  }

  // The global slots: "var" in the block, as many zero bytes as the slots take, aligned for them.
  EXPECT_EQ(r->globals.size(), sizeof(program::GlobalSlots));
  EXPECT_TRUE(std::all_of(r->globals.begin(), r->globals.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(reinterpret_cast<uintptr_t>(r->globals.data()) % alignof(program::GlobalSlots), 0u);
}

TEST(RunnableImage, BindingSitesThatNameNothingAreRefused) {
  const uint32_t code = CodeData(Bytes());
  struct Case {
    const char* what;
    uint32_t site;
    uint32_t word;
    const char* message;
  };
  const image::BindingLists& b = Bindings();
  ASSERT_FALSE(b.identifiers.empty());
  ASSERT_FALSE(b.functions.empty());
  ASSERT_FALSE(b.libraries.empty());
  ASSERT_FALSE(b.dataTypes.empty());
  const Case cases[] = {
      {"a control the window does not have", b.identifiers.back(), 0x160100FF, "identifier site"},
      {"a declared function beyond the 13", b.functions.back(), 13, "declared-function site"},
      {"the core library, which is the runtime itself", b.libraries.front(), 0, "library site"},
      {"a library beyond the table", b.libraries.back(), 3, "library site"},
      {"a kind no unit of the window has", b.dataTypes.front(), 0x00010099, "data-type site"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = Bytes();
    PatchWord(bytes, code + c.site, c.word);
    std::string error;
    EXPECT_EQ(Prepare(bytes, error), nullptr) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

TEST(RunnableImage, AnEntryOffsetThatNamesAnOrdinaryRoutineIsRefused) {
  std::vector<uint8_t> bytes = Bytes();
  const uint32_t code = CodeData(bytes);
  ASSERT_GT(WordAt(bytes, 0x3C), code);
  PatchWord(bytes, 0x3C, code);  // routine 0, OnMainWindowCreated, is no entry routine
  std::string error;
  EXPECT_EQ(Prepare(bytes, error), nullptr);
  EXPECT_NE(error.find("entry"), std::string::npos) << error;
}

TEST(RunnableImage, ADamagedImageIsRefusedWithItsReason) {
  std::vector<uint8_t> bytes = Bytes();
  bytes.resize(bytes.size() - 1);
  std::string error;
  EXPECT_EQ(Prepare(bytes, error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
