#include "runtime/window/form.h"

#include <cstring>

namespace rt {

const UnitDefinition* FormDefinition::Find(uint32_t id) const {
  if (window.id == id) return &window;
  for (const UnitDefinition& unit : controls) {
    if (unit.id == id) return &unit;
  }
  return nullptr;
}

const UnitDefinition* FormDefinition::FindByName(const char* name) const {
  for (const UnitDefinition& unit : controls) {
    if (std::strcmp(unit.name, name) == 0) return &unit;
  }
  return nullptr;
}

}  // namespace rt
