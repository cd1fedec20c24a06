// Settings fixed when the program is built (CMake cache variables).
// TESSALY_VERSION, the program's version as a C string ("1.0.2"), is defined
// only for the code that shows or checks it (cmake/version.cmake).
//
// The values the image builder writes into the program image's settings
// (program/program_settings.h): the update servers, the feedback guestbook
// and the update public key (128 hexadecimal digits, or empty for a program
// that checks no signatures). Defined only for the image builder
// (tools/release_build/image_build), so that new values rebuild nothing else; the program
// reads its image's constants at run time, and tessalyconfig changes them in
// a built program.
#pragma once

#if !defined(TESSALY_PUBLIC_UPDATE_HOST) || !defined(TESSALY_LAN_UPDATE_HOST) || !defined(TESSALY_FEEDBACK_HOST) || \
    !defined(TESSALY_FEEDBACK_USERID) || !defined(TESSALY_UPDATE_PUBLIC_KEY)
#error "the image's settings come from CMake (tools/release_build/image_build/CMakeLists.txt)"
#endif
