// Writing the window definition as the image's "form" segment.
#include <algorithm>
#include <cstring>
#include <map>

#include "image/byte_io.h"
#include "image/form_codec.h"
#include "image/form_records.h"

namespace image {
namespace {

using rt::UnitKind;
using namespace detail;

void PutCountedText(Bytes& out, std::string_view text) {
  PutWord(out, static_cast<uint32_t>(text.size()));
  PutBytes(out, text);
}

void PutFont(Bytes& out, const rt::FontSpec& font) {
  if (font.IsDefault()) {
    PutWord(out, 0);
    return;
  }
  PutWord(out, kFontRecordSize);
  PutWord(out, static_cast<uint32_t>(font.height));
  PutWord(out, 0);  // width
  PutWord(out, 0);  // escapement
  PutWord(out, 0);  // orientation
  PutWord(out, static_cast<uint32_t>(font.weight));
  out.insert(out.end(),
             {0, 0, 0, rt::kCharsetGb2312, kOutDefaultPrecis, kClipDefaultPrecis, kDefaultQuality, kDefaultPitch});
  std::string face(font.face);
  face.resize(kFaceSize, '\0');
  PutBytes(out, face);
}

// Checks what the record of one unit can hold; empty when it can hold it all.
std::string CheckUnit(const rt::UnitDefinition& unit, const HandlerOffset& handlerOffset) {
  const std::string here = UnitName(unit.id, unit.name);
  const std::optional<KindTraits> traits = TraitsOf(unit.kind);
  if (!traits) return here + " has the unknown data type " + Hex(static_cast<uint32_t>(unit.kind));
  if (unit.name == nullptr) return here + " has no name (the window's name is the empty text)";
  if (traits->caption && unit.text == nullptr) return here + " has no text, but a unit of its kind always has one";
  if (!traits->caption && unit.text != nullptr) return here + " has a text, but a unit of its kind has none";
  if (traits->layout == 0 && !unit.font.IsDefault()) return here + " has a font, but a unit of its kind stores none";
  if (!unit.font.IsDefault()) {
    const size_t faceLength = std::strlen(unit.font.face);
    if (faceLength == 0 || faceLength >= kFaceSize) {
      return here + "'s font face must be 1 to " + std::to_string(kFaceSize - 1) + " bytes long";
    }
  }
  if ((unit.flags & ~kKnownFlags) != 0) return here + " has flags " + Hex(unit.flags) + " beyond visible and focus";
  if (unit.kind != UnitKind::TabControl && !unit.pages.empty()) return here + " has pages but is no tab control";
  if (unit.pages.size() > 0xFFFF) return here + " has more pages than a 16-bit count holds";
  for (const char* page : unit.pages) {
    if (page == nullptr) return here + " has a page without a caption";
  }
  if (unit.kind == UnitKind::HyperlinkBox && unit.target == nullptr)
    return here + " is a hyperlink box without a target";
  if (unit.kind != UnitKind::HyperlinkBox && unit.target != nullptr)
    return here + " has a target but is no hyperlink box";
  for (const rt::EventBinding& binding : unit.events) {
    if (binding.handler == nullptr) return here + " binds event " + std::to_string(binding.event) + " to no handler";
    if (!handlerOffset(binding.handler)) {
      return here + " binds event " + std::to_string(binding.event) + " to " + binding.handler +
             ", which is no routine of the program";
    }
  }
  return {};
}

Bytes EncodeRecord(const rt::UnitDefinition& unit, const std::vector<uint32_t>& children,
                   const HandlerOffset& handlerOffset) {
  Bytes r;
  PutWord(r, 0);  // length, set at the end
  PutWord(r, static_cast<uint32_t>(unit.kind));
  PutZeros(r, kReservedBlock);
  PutBytes(r, std::string_view(unit.name));
  r.push_back(0);
  r.push_back(0);  // remark: the empty text
  PutWord(r, 0);
  for (int32_t value : {unit.left, unit.top, unit.width, unit.height}) PutWord(r, static_cast<uint32_t>(value));
  PutWord(r, 0);
  PutWord(r, unit.parent);
  PutWord(r, static_cast<uint32_t>(children.size()));
  for (uint32_t child : children) PutWord(r, child);
  PutWord(r, kChildrenEnd);
  PutWord(r, unit.pointer);
  PutWord(r, 0);
  r.push_back(0);
  PutWord(r, unit.flags);
  PutWord(r, 0);
  PutWord(r, static_cast<uint32_t>(unit.events.size()));
  for (const rt::EventBinding& binding : unit.events) {
    PutWord(r, static_cast<uint32_t>(binding.event));
    PutWord(r, *handlerOffset(binding.handler));
  }
  PutZeros(r, kReservedBlock);
  const KindTraits traits = *TraitsOf(unit.kind);
  if (traits.layout != 0) {
    PutWord(r, traits.layout);
    PutCountedText(r, unit.text != nullptr ? std::string_view(unit.text) : std::string_view());
    PutFont(r, unit.font);
    if (unit.kind == UnitKind::TabControl) {
      PutHalf(r, static_cast<uint16_t>(unit.pages.size()));
      for (const char* page : unit.pages) PutCountedText(r, page);
    }
    if (unit.kind == UnitKind::HyperlinkBox) PutCountedText(r, unit.target);
  }
  SetWord(r, 0, static_cast<uint32_t>(r.size() - 4));
  return r;
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeForm(const rt::FormDefinition& form, const HandlerOffset& handlerOffset,
                                               std::string& error) {
  const rt::UnitDefinition& window = form.window;
  const auto fail = [&](std::string message) -> std::optional<std::vector<uint8_t>> {
    error = std::move(message);
    return std::nullopt;
  };
  if (window.kind != UnitKind::Window) return fail("the window's own record is not of the window's kind");
  if (window.parent != 0 || window.page != -1) return fail("the window has a parent or a page");
  if (window.id == 0 || window.id == rt::kWindowUnitId)
    return fail("the window's identifier " + Hex(window.id) + " is reserved");

  // Each control's parent is defined before it; only children of a tab control sit on a page.
  std::map<uint32_t, const rt::UnitDefinition*> defined{{window.id, &window}};
  for (const rt::UnitDefinition& unit : form.controls) {
    const std::string here = UnitName(unit.id, unit.name);
    if (unit.kind == UnitKind::Window) return fail(here + " is a second window");
    if (unit.id == 0 || unit.id == rt::kWindowUnitId) return fail(here + " uses a reserved identifier");
    if (defined.count(unit.id)) return fail(here + " repeats an identifier");
    const auto parent = defined.find(unit.parent);
    if (parent == defined.end()) return fail(here + "'s parent " + Hex(unit.parent) + " is not defined before it");
    if (parent->second->kind == UnitKind::TabControl) {
      if (unit.page < 0 || static_cast<size_t>(unit.page) >= parent->second->pages.size()) {
        return fail(here + " is on page " + std::to_string(unit.page) + ", which its tab control does not have");
      }
    } else if (unit.page != -1) {
      return fail(here + " has a page, but its parent is no tab control");
    }
    defined.emplace(unit.id, &unit);
  }
  std::vector<const rt::UnitDefinition*> units{&window};
  for (const rt::UnitDefinition& unit : form.controls) units.push_back(&unit);
  for (const rt::UnitDefinition* unit : units) {
    std::string why = CheckUnit(*unit, handlerOffset);
    if (!why.empty()) return fail(std::move(why));
  }

  // The records, in creation order.
  Bytes records;
  std::map<uint32_t, uint32_t> recordOffset;
  for (const rt::UnitDefinition* unit : units) {
    std::vector<uint32_t> children;
    if (unit->kind == UnitKind::TabControl) {
      for (size_t page = 0; page < unit->pages.size(); ++page) {
        if (page > 0) children.push_back(0);
        for (const rt::UnitDefinition& control : form.controls) {
          if (control.parent == unit->id && static_cast<size_t>(control.page) == page) children.push_back(control.id);
        }
      }
    } else {
      for (const rt::UnitDefinition& control : form.controls) {
        if (control.parent == unit->id) children.push_back(control.id);
      }
    }
    recordOffset[unit == &window ? rt::kWindowUnitId : unit->id] = static_cast<uint32_t>(records.size());
    PutBytes(records, EncodeRecord(*unit, children, handlerOffset));
  }

  std::vector<uint32_t> ids;
  for (const rt::UnitDefinition& control : form.controls) ids.push_back(control.id);
  std::sort(ids.begin(), ids.end(), std::greater<>());
  ids.insert(ids.begin(), rt::kWindowUnitId);

  Bytes out;
  const uint32_t count = static_cast<uint32_t>(ids.size());
  PutWord(out, kFormMagic);
  PutWord(out, window.id);
  PutZeros(out, 12);  // three words with no meaning for the program
  PutWord(out, 0);
  PutWord(out, 0);
  PutWord(out, count);
  PutWord(out, static_cast<uint32_t>(8 * count + records.size()));
  for (uint32_t id : ids) PutWord(out, id);
  for (uint32_t id : ids) PutWord(out, recordOffset.at(id));
  PutBytes(out, records);
  return out;
}

}  // namespace image
