#include "image/runnable_image.h"

#include <algorithm>
#include <cstdio>

#include "image/byte_io.h"

namespace image {
namespace {

std::string Site(const char* list, uint32_t offset, uint32_t word) {
  char text[128];
  std::snprintf(text, sizeof text, "the %s site at code+0x%X holds 0x%X", list, offset, word);
  return text;
}

// The word at each site of a list, as the laid-out "code" holds it.
bool CheckSites(const RunnableImage& r, const std::vector<uint32_t>& sites, const char* list,
                const std::function<bool(uint32_t)>& names, std::string& error) {
  const std::span<const uint8_t> code = r.loaded.bytes(SegmentId::Code);
  for (uint32_t offset : sites) {
    const std::optional<uint32_t> word = CodeWord(code, offset);
    if (!word) {
      error = Site(list, offset, 0) + ", outside \"code\"";
      return false;
    }
    if (!names(*word)) {
      error = Site(list, offset, *word) + ", which names nothing";
      return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<RunnableImage> PrepareImage(std::span<const uint8_t> image, std::string& error) {
  auto r = std::make_unique<RunnableImage>();
  std::optional<LoadedImage> loaded = LoadImage(image, RelocationBases{}, error);
  if (!loaded) return nullptr;
  r->loaded = std::move(*loaded);
  const ProgramImage& content = r->loaded.read.image;
  const std::span<const uint8_t> constData = r->loaded.bytes(SegmentId::Const);
  const std::span<const uint8_t> code = r->loaded.bytes(SegmentId::Code);

  std::optional<std::vector<NamedConstant>> constants = ReadConstants(constData, error);
  if (!constants) return nullptr;
  r->constants = std::move(*constants);

  std::optional<std::vector<RoutineEntry>> routines = ReadRoutineDirectory(code, constData, error);
  if (!routines) return nullptr;
  r->routines = std::move(*routines);
  if (RoutineIndexAt(content.entryOffset) != r->routines.size() - 1) {
    error = "the entry offset does not name the entry routine of the routine directory";
    return nullptr;
  }

  r->form = DecodeForm(r->loaded.bytes(SegmentId::Form), HandlerNamesOf(r->routines), error);
  if (!r->form) return nullptr;
  const rt::FormDefinition& form = r->form->form();

  const BindingLists& bindings = content.bindings;
  const auto isUnit = [&form](uint32_t id) { return form.Find(id) != nullptr; };
  const auto isFunction = [&content](uint32_t index) { return index < content.functions.size(); };
  // The core library is the runtime itself; only the others are bound.
  const auto isLibrary = [&content](uint32_t index) { return index >= 1 && index < content.libraries.size(); };
  const auto isKind = [&form](uint32_t type) {
    if (static_cast<uint32_t>(form.window.kind) == type) return true;
    return std::any_of(form.controls.begin(), form.controls.end(),
                       [type](const rt::UnitDefinition& unit) { return static_cast<uint32_t>(unit.kind) == type; });
  };
  if (!CheckSites(*r, bindings.identifiers, "identifier", isUnit, error) ||
      !CheckSites(*r, bindings.functions, "declared-function", isFunction, error) ||
      !CheckSites(*r, bindings.libraries, "library", isLibrary, error) ||
      !CheckSites(*r, bindings.dataTypes, "data-type", isKind, error)) {
    return nullptr;
  }

  const LoadedSegment& var = r->loaded.segment(SegmentId::Var);
  r->globals = std::span<uint8_t>(r->loaded.memory).subspan(var.offset, var.size);
  return r;
}

}  // namespace image
