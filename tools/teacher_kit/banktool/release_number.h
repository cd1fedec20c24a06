// 发布序号, the release number of the signed version file: students' programs
// refuse an offer whose number is lower than the highest they have accepted,
// so every publish must give a higher one, whichever PC it runs on and even
// when the school has rebuilt its server folder from nothing.
//
// A publish takes the time stamp of the PC's clock, YYYYMMDDhhmmss (local
// time), or the server's number plus one when that is higher (a PC whose
// clock runs ahead published last, or two publishes fell in one second); a
// number given with --release is taken as it is.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace banktool {

// YYYYMMDDhhmmss of `time` in the PC's local time.
uint64_t ClockStamp(std::time_t time);

struct ReleaseChoice {
  uint64_t number = 0;             // 0 when refused
  std::string error;               // why not
  std::vector<std::string> notes;  // what is worth knowing
};

// The number of the next release. `current` is the server's (none on a new
// or rebuilt server), `given` the text of --release, `now` the PC's clock and
// `folderTime` the time the server folder gave a file just written into it
// (from a shared folder, the server's clock). Refused: a --release that is no
// whole number of 1 to 19 digits, and, without --release, a clock more than a
// day ahead of the folder's, whose stamp would run ahead of every later
// publish from a PC set right.
ReleaseChoice ChooseRelease(std::optional<uint64_t> current, const std::optional<std::string>& given, std::time_t now,
                            std::optional<std::time_t> folderTime);

}  // namespace banktool
