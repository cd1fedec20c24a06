// Names of the byte-set constants in the directory of the image's "const"
// segment; the program asks the runtime for them by these names.
#pragma once

#include <cstddef>
#include <string_view>

namespace program {

inline constexpr std::string_view kAnswerTemplateConstant = "AnswerTemplate";
inline constexpr std::string_view kAnswerPlaceholderConstant = "AnswerPlaceholder";
inline constexpr std::string_view kReferenceAnswerPlaceholderConstant = "ReferenceAnswerPlaceholder";
// The public key that downloaded archives' signatures are checked against:
// always 64 bytes (X‖Y, runtime/crypto/p256_signatures.h), all zero in a program built
// without a key, which checks none. Its size is fixed so that a key can be
// written into a built program in place.
inline constexpr std::string_view kUpdatePublicKeyConstant = "UpdatePublicKey";
inline constexpr size_t kUpdatePublicKeySize = 64;
// The update servers (public first, then the school's LAN server) and the
// feedback guestbook's host and account number: texts in slots of fixed size
// (program/program_settings.h), for the same reason.
inline constexpr std::string_view kPublicUpdateHostConstant = "PublicUpdateHost";
inline constexpr std::string_view kLanUpdateHostConstant = "LanUpdateHost";
inline constexpr std::string_view kFeedbackHostConstant = "FeedbackHost";
inline constexpr std::string_view kFeedbackUserIdConstant = "FeedbackUserId";
// The proxy the public update server is reached through: "HOST:PORT",
// "system" (the PC's own proxy settings) or nothing (direct).
inline constexpr std::string_view kUpdateProxyConstant = "UpdateProxy";

}  // namespace program
