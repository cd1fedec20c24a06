// The window definition as the "form" segment stores it: the program's main
// window encoded byte for byte as laid down in docs/program-image.md, decoded
// back to the same definition unit for unit, and damaged data refused.
#include "image/form_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "program/control_ids.h"
#include "program/main_window_form.h"
#include "image/program_layout.h"
#include "program/routine_names.h"
#include "tests/native/image_test_support.h"

using namespace program;

namespace {

using image_test::PatchWord;
using image_test::WordAt;
using rt::UnitDefinition;
using rt::UnitKind;
using Bytes = std::vector<uint8_t>;

std::optional<uint32_t> OffsetOf(std::string_view handler) {
  const std::optional<uint32_t> index = program::RoutineIndex(handler);
  if (!index) return std::nullopt;
  return image::RoutineOffset(*index);
}

std::optional<std::string> NameAt(uint32_t offset) {
  const std::optional<uint32_t> index = image::RoutineIndexAt(offset);
  if (!index || *index >= program::RoutineNames().size()) return std::nullopt;
  return std::string(program::RoutineNames()[*index]);
}

Bytes Encode(const rt::FormDefinition& form) {
  std::string error;
  std::optional<Bytes> bytes = image::EncodeForm(form, OffsetOf, error);
  if (!bytes) throw std::runtime_error("EncodeForm: " + error);
  return *bytes;
}

std::string EncodeError(const rt::FormDefinition& form) {
  std::string error;
  if (image::EncodeForm(form, OffsetOf, error)) return "(encoded without complaint)";
  return error;
}

std::string DecodeError(const Bytes& data) {
  std::string error;
  if (image::DecodeForm(data, NameAt, error)) return "(decoded without complaint)";
  EXPECT_FALSE(error.empty());
  return error;
}

const rt::FormDefinition& Program() { return program::MainWindowForm(); }

std::string Text(const char* text) { return text == nullptr ? "(none)" : std::string("\"") + text + "\""; }

// Every field of the unit, compared on its own.
void ExpectSameUnit(const UnitDefinition& a, const UnitDefinition& e) {
  SCOPED_TRACE(::testing::Message() << "unit 0x" << std::hex << e.id);
  EXPECT_EQ(a.id, e.id);
  EXPECT_EQ(Text(a.name), Text(e.name));
  EXPECT_EQ(a.kind, e.kind);
  EXPECT_EQ(a.parent, e.parent);
  EXPECT_EQ(a.page, e.page);
  EXPECT_EQ(a.left, e.left);
  EXPECT_EQ(a.top, e.top);
  EXPECT_EQ(a.width, e.width);
  EXPECT_EQ(a.height, e.height);
  EXPECT_EQ(Text(a.text), Text(e.text));
  EXPECT_EQ(Text(a.font.face), Text(e.font.face));
  if (!e.font.IsDefault()) {
    EXPECT_EQ(a.font.height, e.font.height);
    EXPECT_EQ(a.font.weight, e.font.weight);
  }
  EXPECT_EQ(a.flags, e.flags);
  EXPECT_EQ(a.pointer, e.pointer);
  ASSERT_EQ(a.events.size(), e.events.size());
  for (size_t i = 0; i < e.events.size(); ++i) {
    EXPECT_EQ(a.events[i].event, e.events[i].event);
    EXPECT_EQ(Text(a.events[i].handler), Text(e.events[i].handler));
  }
  ASSERT_EQ(a.pages.size(), e.pages.size());
  for (size_t i = 0; i < e.pages.size(); ++i) EXPECT_EQ(Text(a.pages[i]), Text(e.pages[i]));
  EXPECT_EQ(Text(a.target), Text(e.target));
}

void ExpectSameForm(const rt::FormDefinition& actual, const rt::FormDefinition& expected) {
  ExpectSameUnit(actual.window, expected.window);
  ASSERT_EQ(actual.controls.size(), expected.controls.size());
  for (size_t i = 0; i < expected.controls.size(); ++i) ExpectSameUnit(actual.controls[i], expected.controls[i]);
}

// ---------------------------------------------------------------------------
// Reading the stored bytes the way the layout describes them.

struct Form {
  Bytes bytes;
  uint32_t count() const { return WordAt(bytes, 0x1C); }
  uint32_t id(size_t i) const { return WordAt(bytes, 0x24 + 4 * i); }
  size_t offsetWord(size_t i) const { return 0x24 + 4 * count() + 4 * i; }
  size_t recordsStart() const { return 0x24 + 8 * count(); }
  // Start of the record (its length word) of a unit; the window's is 0x06010000.
  size_t record(uint32_t unit) const {
    for (size_t i = 0; i < count(); ++i) {
      if (id(i) == unit) return recordsStart() + WordAt(bytes, offsetWord(i));
    }
    throw std::runtime_error("no such unit");
  }
  Bytes recordBytes(uint32_t unit) const {
    const size_t start = record(unit);
    return Bytes(bytes.begin() + start, bytes.begin() + start + 4 + WordAt(bytes, start));
  }
};

// Places of a record's fields, from the record's start.
struct Fields {
  size_t name, parent, childCount, childrenEnd, pointer, flags, eventCount, properties;
};

Fields FieldsOf(const Bytes& b, size_t start) {
  Fields f{};
  f.name = start + 28;
  size_t at = f.name;
  while (b.at(at) != 0) ++at;
  at += 2;  // the name's NUL and the empty remark
  f.parent = at + 4 + 16 + 4;
  f.childCount = f.parent + 4;
  f.childrenEnd = f.childCount + 4 + 4 * WordAt(b, f.childCount);
  f.pointer = f.childrenEnd + 4;
  f.flags = f.pointer + 9;
  f.eventCount = f.flags + 8;
  f.properties = f.eventCount + 4 + 8 * WordAt(b, f.eventCount) + 20;
  return f;
}

struct Writer {
  Bytes out;
  Writer& W(uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Writer& H(uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Writer& B(uint8_t v) {
    out.push_back(v);
    return *this;
  }
  Writer& Z(size_t n) {
    out.insert(out.end(), n, 0);
    return *this;
  }
  Writer& S(std::string_view s) {
    out.insert(out.end(), s.begin(), s.end());
    return *this;
  }
  Writer& Counted(std::string_view s) { return W(static_cast<uint32_t>(s.size())).S(s); }
  Writer& Font(int32_t height, int32_t weight, std::string_view face) {
    W(60).W(static_cast<uint32_t>(height)).W(0).W(0).W(0).W(static_cast<uint32_t>(weight));
    B(0).B(0).B(0).B(134).B(0).B(0).B(0).B(0);
    std::string padded(face);
    padded.resize(32, '\0');
    return S(padded);
  }
};

void ExpectEndsWith(const Bytes& record, const Bytes& tail, const char* what) {
  ASSERT_GE(record.size(), tail.size()) << what;
  EXPECT_EQ(Bytes(record.end() - tail.size(), record.end()), tail) << what;
}

TEST(FormCodec, HeaderIdentifiersAndRecordOffsets) {
  const Form form{Encode(Program())};
  const Bytes& b = form.bytes;
  EXPECT_EQ(WordAt(b, 0x00), 8u);
  EXPECT_EQ(WordAt(b, 0x04), 0x52010001u);
  EXPECT_EQ(WordAt(b, 0x14), 0u);
  EXPECT_EQ(WordAt(b, 0x18), 0u);
  EXPECT_EQ(form.count(), 33u);
  EXPECT_EQ(WordAt(b, 0x20), b.size() - 0x24);
  // The window's record first, then the controls in falling order.
  EXPECT_EQ(form.id(0), 0x06010000u);
  std::set<uint32_t> ids;
  for (size_t i = 1; i < form.count(); ++i) {
    if (i > 1) {
      EXPECT_LT(form.id(i), form.id(i - 1)) << i;
    }
    ids.insert(form.id(i));
  }
  std::set<uint32_t> controls;
  for (const UnitDefinition& unit : Program().controls) controls.insert(unit.id);
  EXPECT_EQ(ids, controls);
  EXPECT_EQ(form.id(1), program::升级历史);
  EXPECT_EQ(form.id(32), program::选择夹1);
  // The records follow each other in creation order, the window's at offset 0.
  size_t expected = form.recordsStart();
  EXPECT_EQ(form.record(0x06010000), expected);
  expected += 4 + WordAt(b, expected);
  for (const UnitDefinition& unit : Program().controls) {
    EXPECT_EQ(form.record(unit.id), expected) << std::hex << unit.id;
    expected += 4 + WordAt(b, expected);
  }
  EXPECT_EQ(expected, b.size());
}

TEST(FormCodec, TheWindowsRecordByteForByte) {
  const Form form{Encode(Program())};
  const std::string caption = "《Tessaly》之填空题练习" TESSALY_VERSION;
  Writer w;
  w.W(0).W(0x00010001).Z(20).B(0).B(0).W(0);  // length (set below), data type, name "", remark ""
  w.W(50).W(50).W(805).W(606).W(0);
  w.W(0).W(2).W(program::选择夹1).W(program::状态栏).W(4);  // parent, children
  w.W(0).W(0).B(0).W(1).W(0);                               // pointer, flags: visible
  w.W(1).W(0).W(image::RoutineOffset(*program::RoutineIndex("OnMainWindowCreated")));
  w.Z(20).W(6).Counted(caption).W(0);  // properties: layout 6, caption, default font
  PatchWord(w.out, 0, static_cast<uint32_t>(w.out.size() - 4));
  EXPECT_EQ(form.recordBytes(0x06010000), w.out);
  EXPECT_EQ(caption.substr(0, 2), "\xA1\xB6");  // the caption is GBK
}

TEST(FormCodec, ChildrenListsAndParents) {
  const Form form{Encode(Program())};
  const auto children = [&](uint32_t id) {
    const size_t start = form.record(id);
    const Fields f = FieldsOf(form.bytes, start);
    std::vector<uint32_t> list;
    for (uint32_t i = 0; i < WordAt(form.bytes, f.childCount); ++i)
      list.push_back(WordAt(form.bytes, f.childCount + 4 + 4 * i));
    EXPECT_EQ(WordAt(form.bytes, f.childrenEnd), 4u) << std::hex << id;
    return list;
  };
  // The tab control: page by page, a 0 word between two pages, each page's
  // controls in the order of the definition.
  const UnitDefinition* tabControl = Program().Find(选择夹1);
  ASSERT_NE(tabControl, nullptr);
  std::vector<uint32_t> tab;
  for (size_t page = 0; page < tabControl->pages.size(); ++page) {
    if (page > 0) tab.push_back(0);
    for (const UnitDefinition& unit : Program().controls) {
      if (unit.parent == 选择夹1 && unit.page == static_cast<int32_t>(page)) tab.push_back(unit.id);
    }
  }
  EXPECT_EQ(tab.size(), 28u);
  EXPECT_EQ(children(选择夹1), tab);
  EXPECT_EQ(children(0x06010000), (std::vector<uint32_t>{选择夹1, 状态栏}));
  EXPECT_EQ(children(分组框1), (std::vector<uint32_t>{上一题, 下一题, 答题, 参考答案, 备用1, 备用2}));
  for (uint32_t leaf : {状态栏, 题目画板, 时钟1, 升级历史, 超级链接框1})
    EXPECT_TRUE(children(leaf).empty()) << std::hex << leaf;
  // Each record names its parent.
  for (const UnitDefinition& unit : Program().controls) {
    EXPECT_EQ(WordAt(form.bytes, FieldsOf(form.bytes, form.record(unit.id)).parent), unit.parent)
        << std::hex << unit.id;
  }
  EXPECT_EQ(WordAt(form.bytes, FieldsOf(form.bytes, form.record(0x06010000)).parent), 0u);
}

TEST(FormCodec, PropertyBlocksOfEachKind) {
  using namespace image;
  const Form form{Encode(Program())};
  const auto offset = [](const char* handler) { return *OffsetOf(handler); };
  const auto text = [](uint32_t id) { return std::string(Program().Find(id)->text); };
  const std::string song = "宋体";
  ASSERT_EQ(song, "\xCB\xCE\xCC\xE5");

  // Tab control: layout 3, no caption, default font, five counted page captions after a 16-bit count.
  ExpectEndsWith(form.recordBytes(选择夹1),
                 Writer()
                     .W(1)
                     .W(0)
                     .W(offset("OnPageChanged"))
                     .Z(20)
                     .W(3)
                     .W(0)
                     .W(0)
                     .H(5)
                     .Counted("答题")
                     .Counted("组题")
                     .Counted("解答过程")
                     .Counted("在线升级与反馈")
                     .Counted("关于本软件")
                     .out,
                 "tab control");
  ExpectEndsWith(form.recordBytes(状态栏), Writer().W(0).Z(20).W(2).Counted("状态栏").W(0).out, "label");
  ExpectEndsWith(form.recordBytes(题目信息), Writer().W(0).Z(20).W(2).W(0).W(0).out, "empty label");
  ExpectEndsWith(form.recordBytes(标签1),
                 Writer().W(0).Z(20).W(2).Counted("请先选择要组题的关键词").Font(-19, 400, song).out,
                 "label with font");
  // 标签2 shows the I-beam pointer.
  ExpectEndsWith(form.recordBytes(标签2),
                 Writer().W(32513).W(0).B(0).W(1).W(0).W(0).Z(20).W(2).Counted(text(标签2)).Font(-19, 400, song).out,
                 "label with pointer");
  ExpectEndsWith(form.recordBytes(升级历史),
                 Writer().W(5).W(0).W(0).Z(20).W(2).Counted(text(升级历史)).Font(-19, 400, "楷体_GB2312").out,
                 "edit box");
  ExpectEndsWith(
      form.recordBytes(组题),
      Writer().W(5).W(0).W(1).W(0).W(offset("ComposePaper")).Z(20).W(1).Counted("开始组题").Font(-19, 700, song).out,
      "button, bold font");
  ExpectEndsWith(form.recordBytes(上一题),
                 Writer().W(1).W(0).W(offset("PreviousQuestion")).Z(20).W(1).Counted("上一题").W(0).out, "button");
  ExpectEndsWith(
      form.recordBytes(全选),
      Writer().W(1).W(0).W(offset("SelectAllKeywords")).Z(20).W(1).Counted("全部选择").Font(-16, 400, song).out,
      "option button");
  ExpectEndsWith(form.recordBytes(答题画板),
                 Writer().W(1).W(0).W(1).W(0xFFFFFFFD).W(offset("StartAnswering")).Z(20).W(1).W(0).W(0).out,
                 "drawing board, double-click");
  ExpectEndsWith(form.recordBytes(备选关键词列表框),
                 Writer().W(1).W(1).W(offset("MoveKeywordToSelected")).Z(20).W(3).W(0).W(0).out, "list box");
  ExpectEndsWith(form.recordBytes(超级链接框1), Writer().W(0).W(0).W(0).Z(20).W(1).W(0).W(0).Counted("").out,
                 "hyperlink box");
  // Group box, timer and unpacker store nothing after the 20 zero bytes.
  ExpectEndsWith(form.recordBytes(分组框1), Writer().W(备用2).W(4).W(0).W(0).B(0).W(1).W(0).W(0).Z(20).out,
                 "group box");
  ExpectEndsWith(form.recordBytes(时钟1), Writer().W(0).W(0).W(1).W(0).W(offset("ReloadAnswerPicture")).Z(20).out,
                 "timer");
  ExpectEndsWith(form.recordBytes(解压器), Writer().W(0).W(0).W(1).W(1).W(offset("LogUnpackProgress")).Z(20).out,
                 "unpacker");
  for (uint32_t id : {分组框1, 时钟1, 解压器}) {
    const Bytes record = form.recordBytes(id);
    EXPECT_EQ(FieldsOf(record, 0).properties, record.size()) << std::hex << id;
  }
}

TEST(FormCodec, TheProgramsWindowDecodesToTheSameDefinition) {
  const Bytes data = Encode(Program());
  std::string error;
  const std::unique_ptr<image::DecodedForm> decoded = image::DecodeForm(data, NameAt, error);
  ASSERT_NE(decoded, nullptr) << error;
  ExpectSameForm(decoded->form(), Program());
  EXPECT_EQ(image::FormDifference(decoded->form(), Program()), "");
  // The decoded definition works like the program's.
  EXPECT_EQ(decoded->form().FindByName("状态栏")->id, program::状态栏);
  EXPECT_EQ(decoded->form().Find(0x52010001), &decoded->form().window);
  // Encoding the decoded definition gives the same bytes again.
  EXPECT_EQ(Encode(decoded->form()), data);
}

// A small window: a tab control with three pages, the first empty, a group
// box holding a label, a button with a font of its own.
constexpr const char* kThreePages[] = {"A", "B", "C"};
constexpr rt::EventBinding kCompose[] = {{0, "ComposePaper"}, {-3, "StartAnswering"}};

struct SmallForm {
  UnitDefinition window{0x52010001, "", UnitKind::Window, 0, -1, 1, 2, 300, 200, "W", {}, 1, 0, {}, {}};
  std::vector<UnitDefinition> controls = {
      {0x16010002, "tab", UnitKind::TabControl, 0x52010001, -1, 0, 0, 100, 100, nullptr, {}, 1, 0, {}, kThreePages},
      {0x16010010,
       "button",
       UnitKind::Button,
       0x16010002,
       1,
       -5,
       3,
       40,
       20,
       "Go",
       {"Face", -12, 700},
       5,
       0,
       kCompose,
       {}},
      {0x16010003, "group", UnitKind::GroupBox, 0x16010002, 2, 1, 1, 50, 50, nullptr, {}, 1, 0, {}, {}},
      {0x16010004, "inner", UnitKind::Label, 0x16010003, -1, 2, 2, 9, 9, "", {}, 0, 7, {}, {}},
  };
  rt::FormDefinition form() const { return {window, controls}; }
};

TEST(FormCodec, EmptyPagesAndNestedControlsRoundTrip) {
  const SmallForm small;
  const Form form{Encode(small.form())};
  const Fields tab = FieldsOf(form.bytes, form.record(0x16010002));
  ASSERT_EQ(WordAt(form.bytes, tab.childCount), 4u);  // [0, button, 0, group]
  EXPECT_EQ(WordAt(form.bytes, tab.childCount + 4), 0u);
  EXPECT_EQ(WordAt(form.bytes, tab.childCount + 8), 0x16010010u);
  EXPECT_EQ(WordAt(form.bytes, tab.childCount + 12), 0u);
  EXPECT_EQ(WordAt(form.bytes, tab.childCount + 16), 0x16010003u);
  std::string error;
  const auto decoded = image::DecodeForm(form.bytes, NameAt, error);
  ASSERT_NE(decoded, nullptr) << error;
  ExpectSameForm(decoded->form(), small.form());
  EXPECT_EQ(decoded->form().controls[1].left, -5);  // places are signed
}

// Replaces `erase` bytes at `at` inside the record of `unit` with `insert`,
// keeping the record's length, the later records' offsets and the form's
// length right, so that only the change itself is wrong.
void Splice(Form& form, uint32_t unit, size_t at, size_t erase, const Bytes& insert) {
  const size_t start = form.record(unit);
  const int64_t delta = static_cast<int64_t>(insert.size()) - static_cast<int64_t>(erase);
  form.bytes.erase(form.bytes.begin() + at, form.bytes.begin() + at + erase);
  form.bytes.insert(form.bytes.begin() + at, insert.begin(), insert.end());
  PatchWord(form.bytes, start, static_cast<uint32_t>(WordAt(form.bytes, start) + delta));
  for (size_t i = 0; i < form.count(); ++i) {
    const uint32_t offset = WordAt(form.bytes, form.offsetWord(i));
    if (form.recordsStart() + offset > start)
      PatchWord(form.bytes, form.offsetWord(i), static_cast<uint32_t>(offset + delta));
  }
  PatchWord(form.bytes, 0x20, static_cast<uint32_t>(WordAt(form.bytes, 0x20) + delta));
}

TEST(FormCodec, DecoderRefusesChildrenListsThatDoNotFitTheTabsPages) {
  // The encoder never writes these, so the bytes are changed after encoding.
  const SmallForm small;
  {
    // Page captions all gone, children still listed: their pages do not exist.
    Form form{Encode(small.form())};
    const size_t pageCount =
        FieldsOf(form.bytes, form.record(0x16010002)).properties + 12;  // after layout, caption, font
    ASSERT_EQ(form.bytes[pageCount], 3);
    Splice(form, 0x16010002, pageCount, 2 + 15, Writer().H(0).out);  // count 0, no "A", "B", "C"
    ASSERT_EQ(DecodeError(form.bytes).find("the record"), std::string::npos) << "the splice itself is wrong";
    EXPECT_NE(DecodeError(form.bytes).find("has a child on page 1, which it does not have"), std::string::npos)
        << DecodeError(form.bytes);
  }
  {
    // A fourth page caption, but only two page breaks among the children.
    Form form{Encode(small.form())};
    const size_t pageCount = FieldsOf(form.bytes, form.record(0x16010002)).properties + 12;
    Splice(form, 0x16010002, pageCount, 2, Writer().H(4).out);
    const size_t end = form.record(0x16010002) + 4 + WordAt(form.bytes, form.record(0x16010002));
    Splice(form, 0x16010002, end, 0, Writer().Counted("D").out);
    EXPECT_NE(DecodeError(form.bytes).find("has 4 pages but 2 page breaks"), std::string::npos)
        << DecodeError(form.bytes);
  }
}

TEST(FormCodec, EncoderRefusesWhatItCannotStoreExactly) {
  static constexpr const char* kLongFace = "0123456789012345678901234567890123";
  static constexpr rt::EventBinding kUnknown[] = {{0, "NoSuchRoutine"}};
  const std::vector<std::pair<std::string, std::function<void(SmallForm&)>>> cases = {
      {"not defined before it", [](SmallForm& f) { std::swap(f.controls[2], f.controls[3]); }},
      {"page 3", [](SmallForm& f) { f.controls[1].page = 3; }},
      {"page -1", [](SmallForm& f) { f.controls[1].page = -1; }},
      {"parent is no tab control", [](SmallForm& f) { f.controls[3].page = 0; }},
      {"has a text", [](SmallForm& f) { f.controls[0].text = ""; }},
      {"has no text", [](SmallForm& f) { f.controls[1].text = nullptr; }},
      {"stores none",
       [](SmallForm& f) {
         f.controls[2].font = {"Face", -12, 400};
       }},
      {"font face", [](SmallForm& f) { f.controls[1].font.face = kLongFace; }},
      {"font face", [](SmallForm& f) { f.controls[1].font.face = ""; }},
      {"no routine", [](SmallForm& f) { f.controls[1].events = kUnknown; }},
      {"repeats an identifier", [](SmallForm& f) { f.controls[3].id = 0x16010010; }},
      {"reserved", [](SmallForm& f) { f.controls[3].id = 0; }},
      {"reserved", [](SmallForm& f) { f.controls[3].id = 0x06010000; }},
      {"flags", [](SmallForm& f) { f.controls[1].flags = 2; }},
      {"target", [](SmallForm& f) { f.controls[3].target = "http://x/"; }},
      {"has pages", [](SmallForm& f) { f.controls[3].pages = kThreePages; }},
      {"second window", [](SmallForm& f) { f.controls[3].kind = UnitKind::Window; }},
      {"unknown data type", [](SmallForm& f) { f.controls[3].kind = static_cast<UnitKind>(0x00010099); }},
      {"has no name", [](SmallForm& f) { f.controls[3].name = nullptr; }},
      {"has a parent", [](SmallForm& f) { f.window.parent = 1; }},
  };
  ASSERT_EQ(EncodeError(SmallForm().form()), "(encoded without complaint)");
  for (const auto& [message, damage] : cases) {
    SmallForm form;
    damage(form);
    const std::string error = EncodeError(form.form());
    EXPECT_NE(error.find(message), std::string::npos) << "expected \"" << message << "\", got: " << error;
  }
}

TEST(FormCodec, DecoderRefusesDamagedData) {
  using namespace image;
  const Form good{Encode(Program())};
  const size_t window = good.record(0x06010000);
  const Fields button = FieldsOf(good.bytes, good.record(上一题));
  const Fields tab = FieldsOf(good.bytes, good.record(选择夹1));
  const Fields label = FieldsOf(good.bytes, good.record(标签1));
  const std::vector<std::pair<std::string, std::function<void(Bytes&)>>> cases = {
      {"expected 8", [](Bytes& b) { PatchWord(b, 0, 9); }},
      {"0x14 and 0x18", [](Bytes& b) { PatchWord(b, 0x18, 1); }},
      {"bytes after it", [](Bytes& b) { PatchWord(b, 0x20, WordAt(b, 0x20) - 1); }},
      {"more than the data holds", [](Bytes& b) { PatchWord(b, 0x1C, 0x10000000); }},
      {"no unit record", [](Bytes& b) { PatchWord(b, 0x1C, 0); }},
      {"not the window's record", [](Bytes& b) { PatchWord(b, 0x24, 0x06010001); }},
      {"falling order",
       [&](Bytes& b) {
         const uint32_t a = good.id(3), c = good.id(4);
         PatchWord(b, 0x24 + 12, c);
         PatchWord(b, 0x24 + 16, a);
       }},
      {"is reserved", [](Bytes& b) { PatchWord(b, 4, 0x06010000); }},
      {"expected 0x", [&](Bytes& b) { PatchWord(b, good.offsetWord(5), WordAt(b, good.offsetWord(5)) + 4); }},
      {"not the first record", [&](Bytes& b) { PatchWord(b, good.offsetWord(0), 0xFFFF); }},
      {"runs past the end", [&](Bytes& b) { PatchWord(b, window, 0x7FFFFFFF); }},
      {"unknown data type", [&](Bytes& b) { PatchWord(b, window + 4, 0x00010002); }},
      {"not all zero", [&](Bytes& b) { b[window + 8 + 19] = 1; }},
      {"whose parent is", [&](Bytes& b) { PatchWord(b, button.parent, 选择夹1); }},
      {"which is no control", [&](Bytes& b) { PatchWord(b, tab.childCount + 4, 0x16010001); }},
      {"listed twice", [&](Bytes& b) { PatchWord(b, tab.childCount + 8, WordAt(b, tab.childCount + 4)); }},
      {"page 5, which it does not have", [&](Bytes& b) { PatchWord(b, tab.childCount + 4, 0); }},
      {"out of their creation order",
       [&](Bytes& b) {
         const size_t list = FieldsOf(b, good.record(分组框1)).childCount + 4;
         const uint32_t first = WordAt(b, list), second = WordAt(b, list + 4);
         PatchWord(b, list, second);
         PatchWord(b, list + 4, first);
       }},
      {"page break among its children",
       [&](Bytes& b) { PatchWord(b, FieldsOf(b, good.record(分组框1)).childCount + 4, 0); }},
      {"reserved word after the children", [&](Bytes& b) { PatchWord(b, button.childrenEnd, 5); }},
      {"beyond visible and focus", [&](Bytes& b) { PatchWord(b, button.flags, 0x105); }},
      {"where no routine starts", [&](Bytes& b) { PatchWord(b, button.eventCount + 8, 8); }},
      {"where no routine starts", [&](Bytes& b) { PatchWord(b, button.eventCount + 8, 0x1000); }},
      {"uses layout 1", [&](Bytes& b) { PatchWord(b, button.properties, 2); }},
      {"GB2312", [&](Bytes& b) { b[label.properties + 4 + 4 + 22 + 4 + 20 + 3] = 0; }},
      {"italic", [&](Bytes& b) { b[label.properties + 4 + 4 + 22 + 4 + 20] = 1; }},
      {"instead of 60", [&](Bytes& b) { PatchWord(b, label.properties + 4 + 4 + 22, 59); }},
      {"caption runs past", [&](Bytes& b) { PatchWord(b, label.properties + 4, 0x01000000); }},
      {"has a remark", [&](Bytes& b) { b[window + 28 + 1] = 'r'; }},
  };
  ASSERT_EQ(DecodeError(good.bytes), "(decoded without complaint)");
  for (const auto& [message, damage] : cases) {
    Bytes bytes = good.bytes;
    damage(bytes);
    const std::string error = DecodeError(bytes);
    EXPECT_NE(error.find(message), std::string::npos) << "expected \"" << message << "\", got: " << error;
  }
}

TEST(FormCodec, EveryTruncationIsRefused) {
  const Bytes data = Encode(Program());
  for (size_t length = 0; length < data.size(); ++length) {
    const std::string error = DecodeError(Bytes(data.begin(), data.begin() + length));
    ASSERT_NE(error, "(decoded without complaint)") << length;
  }
}

TEST(FormCodec, FormDifferenceNamesTheFirstFieldThatDiffers) {
  const rt::FormDefinition& program = Program();
  static constexpr rt::EventBinding kOther[] = {{0, "NextQuestion"}};
  static constexpr const char* kFourPages[] = {"a", "b", "c", "d"};
  const std::vector<std::pair<std::string, std::function<void(UnitDefinition&)>>> cases = {
      {"identifier", [](UnitDefinition& u) { u.id += 1; }},
      {"name", [](UnitDefinition& u) { u.name = "x"; }},
      {"kind", [](UnitDefinition& u) { u.kind = UnitKind::Label; }},
      {"parent", [](UnitDefinition& u) { u.parent = 0; }},
      {"page", [](UnitDefinition& u) { u.page = 3; }},
      {"left", [](UnitDefinition& u) { u.left += 1; }},
      {"top", [](UnitDefinition& u) { u.top += 1; }},
      {"width", [](UnitDefinition& u) { u.width += 1; }},
      {"height", [](UnitDefinition& u) { u.height += 1; }},
      {"text", [](UnitDefinition& u) { u.text = nullptr; }},
      {"font face",
       [](UnitDefinition& u) {
         u.font = {"x", -19, 400};
       }},
      {"flags", [](UnitDefinition& u) { u.flags = 0; }},
      {"mouse pointer", [](UnitDefinition& u) { u.pointer = 1; }},
      {"handler", [](UnitDefinition& u) { u.events = kOther; }},
      {"binding count", [](UnitDefinition& u) { u.events = {}; }},
      {"page count", [](UnitDefinition& u) { u.pages = kFourPages; }},
      {"target", [](UnitDefinition& u) { u.target = "http://x/"; }},
  };
  for (const auto& [field, change] : cases) {
    std::vector<UnitDefinition> controls(program.controls.begin(), program.controls.end());
    UnitDefinition& unit = controls[3];  // 上一题
    change(unit);
    const std::string difference = image::FormDifference(rt::FormDefinition{program.window, controls}, program);
    EXPECT_NE(difference.find(": " + field + " "), std::string::npos) << field << ": " << difference;
  }
  std::vector<UnitDefinition> fewer(program.controls.begin(), program.controls.end() - 1);
  EXPECT_NE(image::FormDifference(rt::FormDefinition{program.window, fewer}, program).find("31 controls, expected 32"),
            std::string::npos);
  // Fonts differing only in size or weight differ too.
  std::vector<UnitDefinition> controls(program.controls.begin(), program.controls.end());
  const auto labelOne =
      std::find_if(controls.begin(), controls.end(), [](const UnitDefinition& u) { return u.id == program::标签1; });
  labelOne->font.weight = 700;
  EXPECT_NE(image::FormDifference(rt::FormDefinition{program.window, controls}, program).find("font weight"),
            std::string::npos);
}

}  // namespace
