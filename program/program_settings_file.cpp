#include "program/program_settings_file.h"

#include <algorithm>
#include <cstring>

#include "image/image_format.h"
#include "image/program_layout.h"

namespace program {
namespace {

constexpr uint8_t kMagic[4] = {0x57, 0x4A, 0, 0};  // the image's first word, 0x4A57

// The offsets of the valid images in `bytes`; the reason the last candidate
// was refused in `lastRefusal`.
std::vector<std::pair<size_t, size_t>> ValidImages(std::span<const uint8_t> bytes, std::string& lastRefusal) {
  std::vector<std::pair<size_t, size_t>> found;
  for (auto at = bytes.begin();
       (at = std::search(at, bytes.end(), std::begin(kMagic), std::end(kMagic))) != bytes.end(); ++at) {
    const size_t offset = static_cast<size_t>(at - bytes.begin());
    if (bytes.size() - offset < image::kHeaderSize) break;
    const std::optional<uint32_t> size = image::ImageSizeFromHeader(
        std::span<const uint8_t, image::kHeaderSize>(bytes.subspan(offset, image::kHeaderSize)));
    if (!size || *size > bytes.size() - offset) continue;
    std::string why;
    if (image::ReadImage(bytes.subspan(offset, *size), why)) {
      found.emplace_back(offset, *size);
    } else {
      lastRefusal = why;
    }
  }
  return found;
}

}  // namespace

std::optional<ProgramSettings> ReadProgramSettings(std::span<const uint8_t> bytes, std::string& error) {
  std::string refusal;
  const std::vector<std::pair<size_t, size_t>> images = ValidImages(bytes, refusal);
  if (images.size() != 1) {
    error = images.empty()
                ? "holds no program image" + (refusal.empty() ? std::string() : " (a damaged one: " + refusal + ")") +
                      "; is it a tessaly.exe?"
                : "holds " + std::to_string(images.size()) + " program images, not one";
    return std::nullopt;
  }
  ProgramSettings result;
  result.imageOffset = images[0].first;
  result.imageSize = images[0].second;
  std::optional<image::ReadImageResult> read =
      image::ReadImage(bytes.subspan(result.imageOffset, result.imageSize), error);
  if (!read) return std::nullopt;
  const std::vector<uint8_t>& constData = read->image.segment(image::SegmentId::Const).data;
  const std::optional<std::vector<image::NamedConstant>> constants = image::ReadConstants(constData, error);
  if (!constants) return std::nullopt;
  const size_t constOffset = result.imageOffset + read->layout.chain[0].storedOffset;
  for (const SettingSlot& setting : kSettings) {
    const auto it = std::find_if(constants->begin(), constants->end(),
                                 [&](const image::NamedConstant& c) { return c.name == setting.constant; });
    if (it == constants->end()) {
      error = "has no setting " + std::string(setting.name) + " (constant " + std::string(setting.constant) +
              "): a program built before its settings could be changed; build it anew";
      return std::nullopt;
    }
    std::optional<std::string> value = SlotValue(setting, it->bytes, error);
    if (!value) return std::nullopt;
    // The block is word 1, the length, then the bytes.
    result.settings.push_back({&setting, constOffset + it->offset + 8, std::move(*value)});
  }
  return result;
}

bool ChangeSettings(std::vector<uint8_t>& bytes, const ProgramSettings& found,
                    const std::vector<SettingChange>& changes, std::string& error) {
  std::vector<std::pair<size_t, std::string>> writes;
  for (const SettingChange& change : changes) {
    const auto place = std::find_if(found.settings.begin(), found.settings.end(),
                                    [&](const PlacedSetting& p) { return p.setting == change.setting; });
    std::optional<std::string> slot = SlotBytes(*change.setting, change.value, error);
    if (!slot) return false;
    if (place == found.settings.end() || place->offset + slot->size() > bytes.size()) {
      error = "the program has no slot for " + std::string(change.setting->name);
      return false;
    }
    writes.emplace_back(place->offset, std::move(*slot));
  }
  for (const auto& [offset, slot] : writes) std::memcpy(bytes.data() + offset, slot.data(), slot.size());
  return true;
}

}  // namespace program
