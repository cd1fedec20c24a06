#include "tools/banktool/release_number.h"

#include <algorithm>

#include "update/signed_versions.h"

namespace banktool {
namespace {

constexpr std::time_t kDay = 24 * 60 * 60;

// "2026-12-09 20:15" for messages.
std::string Readable(std::time_t time) {
  char text[32] = "?";
  if (const std::tm* local = std::localtime(&time)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
  return text;
}


}  // namespace

uint64_t ClockStamp(std::time_t time) {
  const std::tm* local = std::localtime(&time);
  if (!local) return 0;
  const auto field = [](int value) { return static_cast<uint64_t>(value); };
  return ((((field(local->tm_year + 1900) * 100 + field(local->tm_mon + 1)) * 100 + field(local->tm_mday)) * 100 +
           field(local->tm_hour)) * 100 + field(local->tm_min)) * 100 + field(local->tm_sec);
}

ReleaseChoice ChooseRelease(std::optional<uint64_t> current, const std::optional<std::string>& given, std::time_t now,
                            std::optional<std::time_t> folderTime) {
  ReleaseChoice choice;
  if (given) {
    const std::optional<uint64_t> number = ParseWholeNumber(*given);
    if (!number) {
      choice.error = "--release: \"" + *given + "\" is no whole number of 1 to 19 digits without a leading zero";
      return choice;
    }
    choice.number = *number;
    if (current && *number < *current) {
      choice.notes.push_back("--release " + *given + " is lower than the server's 发布序号 " + std::to_string(*current) +
                             ": students' programs that have accepted that one refuse this release");
    }
    return choice;
  }
  if (folderTime && now > *folderTime + kDay) {
    choice.error = "this PC's clock reads " + Readable(now) + ", more than a day after the server folder's (" +
                   Readable(*folderTime) + ", the time of a file just written there); its 发布序号 would run ahead "
                   "of every later publish from a PC whose clock is right, and students' programs would refuse "
                   "those. Set the clock right, or give the number with --release";
    return choice;
  }
  const uint64_t stamp = ClockStamp(now);
  if (stamp == 0) {
    choice.error = "this PC's clock cannot be read; give the number with --release";
    return choice;
  }
  choice.number = current ? std::max(*current + 1, stamp) : stamp;
  if (current && *current > stamp) {
    choice.notes.push_back("the server's 发布序号 " + std::to_string(*current) + " is later than this PC's clock (" +
                           std::to_string(stamp) + "): the last publish came from a PC whose clock ran ahead, or "
                           "this one's runs behind; this publish takes " + std::to_string(choice.number));
  }
  return choice;
}

}  // namespace banktool
