// The settings of a built program (tessaly.exe, or a program image file):
// found in the one program image its bytes hold, checked with the image
// reader, read and rewritten in their fixed-size slots in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "program/program_settings.h"

namespace program {

struct PlacedSetting {
  const SettingSlot* setting = nullptr;
  size_t offset = 0;  // of the slot's first byte in the file
  std::string value;  // as SlotValue gives it
};

struct ProgramSettings {
  size_t imageOffset = 0;  // of the program image in the file
  size_t imageSize = 0;
  std::vector<PlacedSetting> settings;  // in the order of kSettings
};

// The settings of the one valid program image in `bytes`. Nothing, with the
// reason in `error`, when the bytes hold no valid image or more than one, or
// an image without every setting in its slot, or a slot that holds no value.
std::optional<ProgramSettings> ReadProgramSettings(std::span<const uint8_t> bytes, std::string& error);

// A new value for a setting.
struct SettingChange {
  const SettingSlot* setting = nullptr;
  std::string value;
};

// Writes each value into its slot in `bytes`, found as `found` says. False,
// with the reason in `error` and `bytes` unchanged, when a value does not fit
// its slot or is malformed.
bool ChangeSettings(std::vector<uint8_t>& bytes, const ProgramSettings& found,
                    const std::vector<SettingChange>& changes, std::string& error);

}  // namespace program
