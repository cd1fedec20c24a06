// The program's image, made from the program's own data: the main window's
// definition, the picture constants and the settings (update public key,
// update servers, feedback guestbook), the routine
// table's names, the declared Win32 functions and the size of the global slots. tools/release_build/image_build writes
// it to a file at build time.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "program/constant_names.h"
#include "program/program_settings.h"
#include "program/function_declarations.h"
#include "image/image_format.h"

namespace image {

// The support libraries by their index in the library table.
inline constexpr uint32_t kCoreLibrary = 0;         // krnln
inline constexpr uint32_t kThreadLibrary = 1;       // OrvThread: StartThread
inline constexpr uint32_t kCompressionLibrary = 2;  // orvCompress: the unpacker

// The update public key the build was configured with (the build-time
// setting TESSALY_UPDATE_PUBLIC_KEY): 128 hexadecimal digits, or empty.
std::string_view ConfiguredUpdatePublicKey();

// The value the build was configured with for a setting the image carries
// (program/program_settings.h; CMake cache variables TESSALY_PUBLIC_UPDATE_HOST,
// TESSALY_LAN_UPDATE_HOST, TESSALY_FEEDBACK_HOST, TESSALY_FEEDBACK_USERID,
// TESSALY_UPDATE_PUBLIC_KEY), as the configuration tool shows it.
std::string_view BuildSetting(const program::SettingSlot& setting);

// The bytes of the constant UpdatePublicKey for a key given as 128
// hexadecimal digits, 64 zero bytes for the empty text; nothing, with the
// reason in `error`, for any other text.
std::optional<std::string> UpdatePublicKeyConstant(std::string_view hexKey, std::string& error);

// The image's content with the update public key `hexKey` (as above), or
// nothing with the reason in `error` (a malformed key or build setting, a window definition
// that cannot be stored, a binding naming no routine of the table).
std::optional<ProgramImage> TessalyImage(std::string_view hexKey, std::string& error);

// The image's bytes, checked before they are handed out: they read back as
// written, their window definition decodes to MainWindowForm() unit for unit,
// and their routine directory and constants are the program's. Nothing, with
// the reason in `error`, when any of that fails.
std::optional<std::vector<uint8_t>> TessalyImageBytes(std::string_view hexKey, std::string& error);

}  // namespace image
