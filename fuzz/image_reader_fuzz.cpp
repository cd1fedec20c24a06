// libFuzzer target: the program image's reader and loader, the window
// definition's decoder and the readers of "const" and "code", on any bytes.
// Any read outside the input, any undefined behaviour or any crash is a fault.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "image/form_codec.h"
#include "image/image_format.h"
#include "image/image_loader.h"
#include "image/runnable_image.h"
#include "image/program_layout.h"

namespace {

// A stand-in routine table for form data fed directly: a routine at every
// sixteenth offset below 0x200.
std::optional<std::string> AnyRoutine(uint32_t offset) {
  if (offset % 16 != 0 || offset >= 0x200) return std::nullopt;
  return "Routine" + std::to_string(offset / 16);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  std::string error;

  // The bytes as a whole image: read, lay out, then every part the runtime reads.
  // Everything the runtime does with an image before it runs anything of it.
  if (auto runnable = image::PrepareImage(bytes, error)) {
    if (runnable->routines.empty() || !runnable->routines.back().entry) __builtin_trap();
  }

  if (std::optional<image::LoadedImage> loaded = image::LoadImage(bytes, {0, 0x1000}, error)) {
    const image::ProgramImage& image = loaded->read.image;
    const std::vector<uint8_t>& constData = image.segment(image::SegmentId::Const).data;
    const std::vector<uint8_t>& code = image.segment(image::SegmentId::Code).data;
    image::ReadConstants(loaded->bytes(image::SegmentId::Const), error);
    for (const auto* list : {&image.bindings.identifiers, &image.bindings.functions, &image.bindings.libraries,
                             &image.bindings.dataTypes}) {
      for (uint32_t site : *list) image::CodeWord(code, site);
    }
    if (auto directory = image::ReadRoutineDirectory(code, constData, error)) {
      if (auto form = image::DecodeForm(image.segment(image::SegmentId::Form).data,
                                        image::HandlerNamesOf(std::move(*directory)), error)) {
        // A decoded definition must encode again, to the same bytes.
        const auto again = image::EncodeForm(
            form->form(),
            [](std::string_view name) -> std::optional<uint32_t> {
              return static_cast<uint32_t>(std::hash<std::string_view>{}(name)&0xFFF0);
            },
            error);
        if (!again) __builtin_trap();
      }
    }
  }

  // The same bytes as the data of "form", "const" and "code" on their own.
  if (auto form = image::DecodeForm(bytes, AnyRoutine, error)) {
    const auto again = image::EncodeForm(
        form->form(),
        [](std::string_view name) -> std::optional<uint32_t> {
          if (name.substr(0, 7) != "Routine") return std::nullopt;
          return static_cast<uint32_t>(std::stoul(std::string(name.substr(7))) * 16);
        },
        error);
    // What decodes encodes back to the very bytes, but for the three words
    // the decoder ignores.
    if (!again || again->size() != size) __builtin_trap();
    for (size_t i = 0; i < size; ++i) {
      if ((i < 0x08 || i >= 0x14) && (*again)[i] != data[i]) __builtin_trap();
    }
  }
  image::ReadConstants(bytes, error);
  image::ReadRoutineDirectory(bytes, bytes, error);
  return 0;
}
