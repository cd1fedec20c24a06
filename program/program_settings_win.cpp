#include "program/program_settings.h"
#include "runtime/program.h"

namespace program {

std::string ConfiguredSetting(const SettingSlot& setting) {
  const rt::ByteSet bytes = rt::ByteSetConstant(setting.constant);
  const std::string_view view = bytes.view();
  std::string error;
  const std::optional<std::string> value =
      SlotValue(setting, std::span(reinterpret_cast<const uint8_t*>(view.data()), view.size()), error);
  return value.value_or(std::string());
}

}  // namespace program
