// Settings fixed when the program is built (CMake cache variables).
// TESSALY_VERSION, the program's version as a C string ("1.0.2"), is defined
// only for the code that shows or checks it (cmake/version.cmake).
#pragma once

#ifndef TESSALY_FEEDBACK_HOST
#define TESSALY_FEEDBACK_HOST "guestbook.example.com"
#endif
#ifndef TESSALY_FEEDBACK_USERID
#define TESSALY_FEEDBACK_USERID "20061"
#endif

#ifndef TESSALY_PUBLIC_UPDATE_HOST
#define TESSALY_PUBLIC_UPDATE_HOST "127.0.0.1"
#endif
#ifndef TESSALY_LAN_UPDATE_HOST
#define TESSALY_LAN_UPDATE_HOST "127.0.0.2"
#endif

// The public key of the school's update signing key (128 hexadecimal digits,
// X‖Y of an ECDSA P-256 key; `banktool keygen` writes it), or empty for a
// program that checks no signatures. Defined only for the image builder,
// which stores it as the constant UpdatePublicKey (program/constant_names.h).
#ifndef TESSALY_UPDATE_PUBLIC_KEY
#define TESSALY_UPDATE_PUBLIC_KEY ""
#endif

namespace program {

// The feedback guestbook page opened when the upgrade-and-feedback page is chosen.
inline constexpr const char* kFeedbackUrl =
    "http://" TESSALY_FEEDBACK_HOST "/script/user/list.asp?userid=" TESSALY_FEEDBACK_USERID;

// The hosts of the update servers, tried in this order (port 8001).
inline constexpr const char* kPublicUpdateHost = TESSALY_PUBLIC_UPDATE_HOST;
inline constexpr const char* kLanUpdateHost = TESSALY_LAN_UPDATE_HOST;

}  // namespace program
