// Reading the image's "form" segment back into a window definition, and
// comparing two definitions.
#include <cstring>
#include <map>
#include <set>

#include "image/byte_io.h"
#include "image/form_codec.h"
#include "image/form_records.h"

namespace image {
namespace {

using rt::UnitKind;
using namespace detail;

struct RawUnit {
  uint32_t id = 0;
  UnitKind kind = UnitKind::Window;
  std::string name;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t parent = 0;
  std::vector<uint32_t> children;
  uint32_t pointer = 0;
  uint32_t flags = 0;
  std::vector<std::pair<int32_t, std::string>> events;
  std::optional<std::string> text;
  std::optional<std::string> face;  // none: the default font
  int32_t fontHeight = 0, fontWeight = 0;
  std::vector<std::string> pages;
  std::optional<std::string> target;
  int32_t page = -1;
};

// A word count, then that many bytes holding no NUL.
bool CountedText(ByteCursor& cursor, std::string& out) {
  uint32_t count = 0;
  std::span<const uint8_t> bytes;
  if (!cursor.Word(count) || !cursor.Take(count, bytes)) return false;
  out = std::string(detail::AsText(bytes));
  return out.find('\0') == std::string::npos;
}

// Reads one record (the bytes after its length word). Empty text: success.
std::string DecodeRecord(std::span<const uint8_t> record, RawUnit& unit, const HandlerName& handlerName) {
  const std::string here = UnitName(unit.id, nullptr);
  ByteCursor c(record);
  uint32_t word = 0;
  const auto ended = [&](const char* field) { return here + ": the record ends inside its " + field; };
  const auto reserved = [&](const char* where, uint32_t want) {
    return here + ": the reserved word " + where + " is not " + std::to_string(want);
  };

  if (!c.Word(word)) return ended("data type");
  unit.kind = static_cast<UnitKind>(word);
  const std::optional<KindTraits> traits = TraitsOf(unit.kind);
  if (!traits) return here + " has the unknown data type " + Hex(word);
  if (!c.Zeros(kReservedBlock)) return here + ": the 20 bytes after the data type are not all zero";
  std::string remark;
  if (!c.CText(unit.name)) return ended("name");
  if (!c.CText(remark)) return ended("remark");
  if (!remark.empty()) return here + " has a remark; no unit has one";
  if (!c.Word(word)) return ended("place");
  if (word != 0) return reserved("before the place", 0);
  uint32_t place[4];
  for (uint32_t& value : place) {
    if (!c.Word(value)) return ended("place");
  }
  unit.left = static_cast<int32_t>(place[0]);
  unit.top = static_cast<int32_t>(place[1]);
  unit.width = static_cast<int32_t>(place[2]);
  unit.height = static_cast<int32_t>(place[3]);
  if (!c.Word(word)) return ended("parent");
  if (word != 0) return reserved("after the place", 0);
  if (!c.Word(unit.parent)) return ended("parent");
  uint32_t childCount = 0;
  if (!c.Word(childCount)) return ended("children");
  if (childCount > c.remaining() / 4)
    return here + " counts " + std::to_string(childCount) + " children, more than the record holds";
  unit.children.resize(childCount);
  for (uint32_t& child : unit.children) c.Word(child);
  if (!c.Word(word)) return ended("children");
  if (word != kChildrenEnd) return reserved("after the children", kChildrenEnd);
  if (!c.Word(unit.pointer)) return ended("mouse pointer");
  uint8_t byte = 0;
  if (!c.Word(word) || !c.Byte(byte)) return ended("flags");
  if (word != 0 || byte != 0) return here + ": the word and byte after the mouse pointer are not 0";
  if (!c.Word(unit.flags)) return ended("flags");
  if ((unit.flags & ~kKnownFlags) != 0) return here + " has flags " + Hex(unit.flags) + " beyond visible and focus";
  if (!c.Word(word)) return ended("events");
  if (word != 0) return reserved("after the flags", 0);
  uint32_t eventCount = 0;
  if (!c.Word(eventCount)) return ended("events");
  if (eventCount > c.remaining() / 8)
    return here + " counts " + std::to_string(eventCount) + " events, more than the record holds";
  for (uint32_t i = 0; i < eventCount; ++i) {
    uint32_t event = 0, offset = 0;
    c.Word(event);
    c.Word(offset);
    std::optional<std::string> handler = handlerName(offset);
    if (!handler)
      return here + ": event " + std::to_string(static_cast<int32_t>(event)) + " is bound to code offset " +
             Hex(offset) + ", where no routine starts";
    unit.events.emplace_back(static_cast<int32_t>(event), std::move(*handler));
  }
  if (!c.Zeros(kReservedBlock)) return here + ": the 20 bytes before the properties are not all zero";

  if (traits->layout != 0) {
    if (!c.Word(word)) return ended("properties");
    if (word != traits->layout) {
      return here + "'s properties are in layout " + std::to_string(word) + "; its kind uses layout " +
             std::to_string(traits->layout);
    }
    std::string caption;
    if (!CountedText(c, caption)) return here + ": the caption runs past the record or holds a NUL";
    if (traits->caption) {
      unit.text = std::move(caption);
    } else if (!caption.empty()) {
      return here + " has a caption, but a unit of its kind has none";
    }
    uint32_t fontSize = 0;
    if (!c.Word(fontSize)) return ended("font");
    if (fontSize == kFontRecordSize) {
      uint32_t height = 0, width = 1, escapement = 1, orientation = 1, weight = 0;
      uint8_t bytes[8] = {};
      std::span<const uint8_t> face;
      if (!c.Word(height) || !c.Word(width) || !c.Word(escapement) || !c.Word(orientation) || !c.Word(weight))
        return ended("font");
      for (uint8_t& b : bytes) {
        if (!c.Byte(b)) return ended("font");
      }
      if (!c.Take(kFaceSize, face)) return ended("font");
      if (width != 0 || escapement != 0 || orientation != 0)
        return here + "'s font has a width, escapement or orientation";
      if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0) return here + "'s font is italic, underlined or struck out";
      if (bytes[3] != rt::kCharsetGb2312) return here + "'s font is not of the GB2312 charset";
      if (bytes[4] != kOutDefaultPrecis || bytes[5] != kClipDefaultPrecis || bytes[6] != kDefaultQuality ||
          bytes[7] != kDefaultPitch) {
        return here + "'s font asks for a precision, quality or pitch other than the default";
      }
      const std::string_view faceText = detail::AsText(face);
      const size_t nul = faceText.find('\0');
      if (nul == std::string_view::npos || nul == 0) return here + "'s font face is empty or not NUL-terminated";
      if (faceText.find_first_not_of('\0', nul) != std::string_view::npos)
        return here + "'s font face is not NUL-padded";
      unit.face = std::string(faceText.substr(0, nul));
      unit.fontHeight = static_cast<int32_t>(height);
      unit.fontWeight = static_cast<int32_t>(weight);
    } else if (fontSize != 0) {
      return here + "'s font record is " + std::to_string(fontSize) + " bytes long instead of 60";
    }
    if (unit.kind == UnitKind::TabControl) {
      uint16_t pageCount = 0;
      if (!c.Half(pageCount)) return ended("page captions");
      for (uint16_t i = 0; i < pageCount; ++i) {
        std::string page;
        if (!CountedText(c, page))
          return here + ": page caption " + std::to_string(i) + " runs past the record or holds a NUL";
        unit.pages.push_back(std::move(page));
      }
    }
    if (unit.kind == UnitKind::HyperlinkBox) {
      std::string target;
      if (!CountedText(c, target)) return here + ": the target runs past the record or holds a NUL";
      unit.target = std::move(target);
    }
  }
  if (!c.AtEnd()) return here + " has " + std::to_string(c.remaining()) + " bytes after its properties";
  return {};
}

std::string TextDifference(const char* actual, const char* expected) {
  if ((actual == nullptr) != (expected == nullptr)) {
    return actual == nullptr ? "is absent, expected a text" : "is present, expected none";
  }
  if (actual != nullptr && std::strcmp(actual, expected) != 0) {
    return std::string("is \"") + actual + "\", expected \"" + expected + "\"";
  }
  return {};
}

std::string UnitDifference(const rt::UnitDefinition& a, const rt::UnitDefinition& e) {
  const std::string here = UnitName(e.id, e.name);
  const auto number = [&](const char* field, int64_t actual, int64_t expected) -> std::string {
    if (actual == expected) return {};
    return here + ": " + field + " is " + std::to_string(actual) + ", expected " + std::to_string(expected);
  };
  const auto text = [&](const char* field, const char* actual, const char* expected) -> std::string {
    const std::string d = TextDifference(actual, expected);
    return d.empty() ? d : here + ": " + field + " " + d;
  };
  std::string d;
  if (!(d = number("identifier", a.id, e.id)).empty()) return d;
  if (!(d = text("name", a.name, e.name)).empty()) return d;
  if (!(d = number("kind", static_cast<uint32_t>(a.kind), static_cast<uint32_t>(e.kind))).empty()) return d;
  if (!(d = number("parent", a.parent, e.parent)).empty()) return d;
  if (!(d = number("page", a.page, e.page)).empty()) return d;
  if (!(d = number("left", a.left, e.left)).empty()) return d;
  if (!(d = number("top", a.top, e.top)).empty()) return d;
  if (!(d = number("width", a.width, e.width)).empty()) return d;
  if (!(d = number("height", a.height, e.height)).empty()) return d;
  if (!(d = text("text", a.text, e.text)).empty()) return d;
  if (!(d = text("font face", a.font.face, e.font.face)).empty()) return d;
  if (!e.font.IsDefault()) {
    if (!(d = number("font height", a.font.height, e.font.height)).empty()) return d;
    if (!(d = number("font weight", a.font.weight, e.font.weight)).empty()) return d;
  }
  if (!(d = number("flags", a.flags, e.flags)).empty()) return d;
  if (!(d = number("mouse pointer", a.pointer, e.pointer)).empty()) return d;
  if (!(d = number("binding count", a.events.size(), e.events.size())).empty()) return d;
  for (size_t i = 0; i < e.events.size(); ++i) {
    if (!(d = number("bound event", a.events[i].event, e.events[i].event)).empty()) return d;
    if (!(d = text("handler", a.events[i].handler, e.events[i].handler)).empty()) return d;
  }
  if (!(d = number("page count", a.pages.size(), e.pages.size())).empty()) return d;
  for (size_t i = 0; i < e.pages.size(); ++i) {
    if (!(d = text("page caption", a.pages[i], e.pages[i])).empty()) return d;
  }
  return text("target", a.target, e.target);
}

}  // namespace

std::unique_ptr<DecodedForm> DecodeForm(std::span<const uint8_t> data, const HandlerName& handlerName,
                                        std::string& error) {
  const auto fail = [&](std::string message) -> std::unique_ptr<DecodedForm> {
    error = "window definition: " + std::move(message);
    return nullptr;
  };
  ByteCursor c(data);
  uint32_t magic = 0, windowId = 0, word14 = 0, word18 = 0, count = 0, length = 0;
  if (!c.Word(magic) || !c.Word(windowId) || c.remaining() < 12) return fail("the header is cut short");
  std::span<const uint8_t> unused;
  c.Take(12, unused);  // three words with no meaning for the program
  if (!c.Word(word14) || !c.Word(word18) || !c.Word(count) || !c.Word(length)) return fail("the header is cut short");
  if (magic != kFormMagic) return fail("the first word is " + std::to_string(magic) + ", expected 8");
  if (word14 != 0 || word18 != 0) return fail("the header words at 0x14 and 0x18 are not 0");
  if (length != c.remaining()) {
    return fail("the header gives " + std::to_string(length) + " bytes after it, but " + std::to_string(c.remaining()) +
                " follow");
  }
  if (count == 0) return fail("there is no unit record, not even the window's");
  if (count > c.remaining() / 8)
    return fail("the header counts " + std::to_string(count) + " units, more than the data holds");
  std::vector<uint32_t> ids(count), offsets(count);
  for (uint32_t& id : ids) c.Word(id);
  for (uint32_t& offset : offsets) c.Word(offset);
  if (ids[0] != rt::kWindowUnitId)
    return fail("the first identifier is " + Hex(ids[0]) + ", not the window's record " + Hex(rt::kWindowUnitId));
  if (windowId == 0 || windowId == rt::kWindowUnitId)
    return fail("the window's identifier " + Hex(windowId) + " is reserved");
  for (uint32_t i = 1; i < count; ++i) {
    if (ids[i] == 0 || ids[i] == rt::kWindowUnitId || ids[i] == windowId)
      return fail("control identifier " + Hex(ids[i]) + " is reserved");
    if (i > 1 && ids[i] >= ids[i - 1])
      return fail("the control identifiers are not in falling order at " + Hex(ids[i]));
  }

  // The records follow each other without gaps, in creation order, the window's first.
  const std::span<const uint8_t> area = data.subspan(c.position());
  std::vector<uint32_t> order(count);
  for (uint32_t i = 0; i < count; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return offsets[a] < offsets[b]; });
  if (order[0] != 0) return fail("the window's record is not the first record");
  std::vector<RawUnit> units(count);
  size_t expected = 0;
  for (uint32_t index : order) {
    RawUnit& unit = units[index];
    unit.id = index == 0 ? windowId : ids[index];
    if (offsets[index] != expected) {
      return fail(UnitName(unit.id, nullptr) + "'s record is at " + Hex(offsets[index]) + ", expected " +
                  Hex(expected) + " after the record before");
    }
    ByteCursor at(area, expected);
    uint32_t recordLength = 0;
    std::span<const uint8_t> record;
    if (!at.Word(recordLength) || !at.Take(recordLength, record)) {
      return fail(UnitName(unit.id, nullptr) + "'s record runs past the end of the data");
    }
    std::string why = DecodeRecord(record, unit, handlerName);
    if (!why.empty()) return fail(why);
    expected = at.position();
  }
  if (expected != area.size()) return fail(std::to_string(area.size() - expected) + " bytes follow the last record");

  // Parents before children, and the children lists agree with the parents.
  RawUnit& window = units[0];
  if (window.kind != UnitKind::Window) return fail("the window's record is not of the window's kind");
  if (window.parent != 0) return fail("the window's record names a parent");
  std::map<uint32_t, size_t> position;  // identifier -> place in creation order
  for (size_t p = 0; p < order.size(); ++p) position[units[order[p]].id] = p;
  for (size_t p = 1; p < order.size(); ++p) {
    const RawUnit& unit = units[order[p]];
    if (unit.kind == UnitKind::Window) return fail(UnitName(unit.id, unit.name.c_str()) + " is a second window");
    const auto parent = position.find(unit.parent);
    if (parent == position.end() || parent->second >= p) {
      return fail(UnitName(unit.id, unit.name.c_str()) + "'s parent " + Hex(unit.parent) +
                  " is not a unit created before it");
    }
  }
  std::set<uint32_t> listed;
  for (const RawUnit& parent : units) {
    const bool tab = parent.kind == UnitKind::TabControl;
    int32_t page = 0;
    size_t previous = 0;  // creation place of the child before on the same page
    for (uint32_t childId : parent.children) {
      if (childId == 0) {
        if (!tab)
          return fail(UnitName(parent.id, parent.name.c_str()) +
                      " has a page break among its children but is no tab control");
        ++page;
        previous = 0;
        continue;
      }
      const auto child = position.find(childId);
      if (child == position.end() || child->second == 0) {
        return fail(UnitName(parent.id, parent.name.c_str()) + " lists the child " + Hex(childId) +
                    ", which is no control");
      }
      RawUnit& unit = units[order[child->second]];
      if (unit.parent != parent.id) {
        return fail(UnitName(parent.id, parent.name.c_str()) + " lists the child " + Hex(childId) +
                    ", whose parent is " + Hex(unit.parent));
      }
      if (!listed.insert(childId).second) return fail(Hex(childId) + " is listed twice as a child");
      if (child->second < previous) {
        return fail(UnitName(parent.id, parent.name.c_str()) + " lists its children out of their creation order at " +
                    Hex(childId));
      }
      previous = child->second;
      if (tab) {
        if (static_cast<size_t>(page) >= parent.pages.size()) {
          return fail(UnitName(parent.id, parent.name.c_str()) + " has a child on page " + std::to_string(page) +
                      ", which it does not have");
        }
        unit.page = page;
      }
    }
    if (tab) {
      const size_t breaks = parent.pages.empty() ? 0 : parent.pages.size() - 1;
      if (static_cast<size_t>(page) != breaks) {
        return fail(UnitName(parent.id, parent.name.c_str()) + " has " + std::to_string(parent.pages.size()) +
                    " pages but " + std::to_string(page) + " page breaks among its children");
      }
    }
  }
  if (listed.size() != count - 1) return fail("a control is missing from its parent's list of children");

  // The owning definition.
  std::unique_ptr<DecodedForm> decoded(new DecodedForm());
  const auto keep = [&](const std::string& text) { return decoded->texts_.emplace_back(text).c_str(); };
  const auto build = [&](const RawUnit& raw) {
    rt::UnitDefinition unit{};
    unit.id = raw.id;
    unit.name = keep(raw.name);
    unit.kind = raw.kind;
    unit.parent = raw.parent;
    unit.page = raw.page;
    unit.left = raw.left;
    unit.top = raw.top;
    unit.width = raw.width;
    unit.height = raw.height;
    unit.text = raw.text ? keep(*raw.text) : nullptr;
    if (raw.face) unit.font = rt::FontSpec{keep(*raw.face), raw.fontHeight, raw.fontWeight};
    unit.flags = raw.flags;
    unit.pointer = raw.pointer;
    std::vector<rt::EventBinding> bindings;
    for (const auto& [event, handler] : raw.events) bindings.push_back({event, keep(handler)});
    unit.events = decoded->bindings_.emplace_back(std::move(bindings));
    std::vector<const char*> pages;
    for (const std::string& page : raw.pages) pages.push_back(keep(page));
    unit.pages = decoded->pages_.emplace_back(std::move(pages));
    unit.target = raw.target ? keep(*raw.target) : nullptr;
    return unit;
  };
  decoded->window_ = build(window);
  decoded->controls_.reserve(count - 1);
  for (size_t p = 1; p < order.size(); ++p) decoded->controls_.push_back(build(units[order[p]]));
  decoded->form_.emplace(rt::FormDefinition{decoded->window_, std::span<const rt::UnitDefinition>(decoded->controls_)});
  return decoded;
}

std::string FormDifference(const rt::FormDefinition& actual, const rt::FormDefinition& expected) {
  std::string d = UnitDifference(actual.window, expected.window);
  if (!d.empty()) return d;
  if (actual.controls.size() != expected.controls.size()) {
    return "there are " + std::to_string(actual.controls.size()) + " controls, expected " +
           std::to_string(expected.controls.size());
  }
  for (size_t i = 0; i < expected.controls.size(); ++i) {
    d = UnitDifference(actual.controls[i], expected.controls[i]);
    if (!d.empty()) return "control " + std::to_string(i) + ", " + d;
  }
  return {};
}

}  // namespace image
