#include "tools/teacher_kit/banktool/release_number.h"

#include "tools/teacher_kit/banktool/toolkit_names.h"

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
           field(local->tm_hour)) *
              100 +
          field(local->tm_min)) *
             100 +
         field(local->tm_sec);
}

ReleaseChoice ChooseRelease(std::optional<uint64_t> current, const std::optional<std::string>& given, std::time_t now,
                            std::optional<std::time_t> folderTime) {
  ReleaseChoice choice;
  if (given) {
    const std::optional<uint64_t> number = ParseWholeNumber(*given);
    if (!number) {
      choice.error = Say(Msg::ReleaseNotNumber, *given);
      return choice;
    }
    choice.number = *number;
    if (current && *number < *current) {
      choice.notes.push_back(Say(Msg::ReleaseLower, *given, *current));
    }
    return choice;
  }
  if (folderTime && now > *folderTime + kDay) {
    choice.error = Say(Msg::ClockAhead, Readable(now), Readable(*folderTime));
    return choice;
  }
  const uint64_t stamp = ClockStamp(now);
  if (stamp == 0) {
    choice.error = Say(Msg::ClockUnreadable);
    return choice;
  }
  choice.number = current ? std::max(*current + 1, stamp) : stamp;
  if (current && *current > stamp) {
    choice.notes.push_back(Say(Msg::ServerReleaseAhead, *current, stamp, choice.number));
  }
  return choice;
}

}  // namespace banktool
