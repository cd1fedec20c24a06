// The update public key as a teacher gives it to either tool: its 128
// hexadecimal digits, or the file banktool keygen wrote them into
// (update-public-key.txt).
#pragma once

#include <optional>
#include <string>

namespace toolkit {

// The 64 bytes X‖Y of the key, a point of the curve P-256; nothing, with the
// reason in `error`, for anything else: the private key's file among them.
std::optional<std::string> ReadPublicKey(const std::string& given, std::string& error);

}  // namespace toolkit
