// The window definition as the "form" segment stores it: a short header, the
// unit identifiers (the window's record first, then the controls in falling
// order), the offsets of the unit records, and the records themselves, in the
// order the runtime creates the units. docs/program-image.md gives the layout.
//
// A unit record keeps the unit's children instead of its page: the parent's
// record lists its children, and a tab control lists them page by page with
// a 0 word between two pages. The encoder derives these lists from the parent
// and page of each control; the decoder finds each control's page again from
// its place in its parent's list.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/window/form.h"

namespace image {

inline constexpr uint32_t kFormMagic = 8;        // first word of the "form" data
inline constexpr uint32_t kFontRecordSize = 60;  // a LOGFONTA

// Numbers of the property block layouts.
inline constexpr uint32_t kLayoutCaption = 1;  // buttons, option buttons, drawing boards, hyperlink box
inline constexpr uint32_t kLayoutText = 2;     // labels, edit box
inline constexpr uint32_t kLayoutList = 3;     // list boxes, tab control
inline constexpr uint32_t kLayoutWindow = 6;   // the window

// The offset inside "code" of the routine a binding names; nothing for a name
// the program has no routine for.
using HandlerOffset = std::function<std::optional<uint32_t>(std::string_view handler)>;
// The name of the routine at an offset inside "code"; nothing when none is there.
using HandlerName = std::function<std::optional<std::string>(uint32_t offset)>;

// The "form" data of a window definition, or nothing with the reason in
// `error` when the definition cannot be stored exactly (a parent defined after
// its child, a page outside the tab control, a text where the unit's kind has
// none, a handler with no routine, ...).
std::optional<std::vector<uint8_t>> EncodeForm(const rt::FormDefinition& form, const HandlerOffset& handlerOffset,
                                               std::string& error);

// A window definition read back from "form" data. It owns every text and
// table that its FormDefinition points at, so it stays where it was made.
class DecodedForm {
 public:
  DecodedForm(const DecodedForm&) = delete;
  DecodedForm& operator=(const DecodedForm&) = delete;

  const rt::FormDefinition& form() const { return *form_; }

 private:
  friend std::unique_ptr<DecodedForm> DecodeForm(std::span<const uint8_t>, const HandlerName&, std::string&);
  DecodedForm() = default;

  std::deque<std::string> texts_;
  std::deque<std::vector<rt::EventBinding>> bindings_;
  std::deque<std::vector<const char*>> pages_;
  rt::UnitDefinition window_{};
  std::vector<rt::UnitDefinition> controls_;
  std::optional<rt::FormDefinition> form_;
};

// The window definition stored in `data`, or null with the reason in `error`.
// Every byte is checked: a record that runs past its length, a reserved word
// that is not what it must be, a control missing from its parent's children,
// a handler offset with no routine, are all refused.
std::unique_ptr<DecodedForm> DecodeForm(std::span<const uint8_t> data, const HandlerName& handlerName,
                                        std::string& error);

// The first difference between two window definitions ("unit 0x16010004
// (上一题): left is 3, expected 2"), or an empty text when they are the same
// unit for unit and field for field, controls in the same order.
std::string FormDifference(const rt::FormDefinition& actual, const rt::FormDefinition& expected);

}  // namespace image
