// Settings fixed when the program is built (CMake cache variables).
#pragma once

#ifndef TESSALY_FEEDBACK_HOST
#define TESSALY_FEEDBACK_HOST "guestbook.example.com"
#endif
#ifndef TESSALY_FEEDBACK_USERID
#define TESSALY_FEEDBACK_USERID "20061"
#endif

namespace image {

// The feedback guestbook page opened when the upgrade-and-feedback page is chosen.
inline constexpr const char* kFeedbackUrl =
    "http://" TESSALY_FEEDBACK_HOST "/script/user/list.asp?userid=" TESSALY_FEEDBACK_USERID;

}  // namespace image
