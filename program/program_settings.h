// The settings a school gives its release without rebuilding the program:
// the update servers, the feedback guestbook and the update public key. Each
// is a byte-set constant of the program image in a slot of fixed size, so
// that the configuration tool (tools/teacher_kit/tessalyconfig) can rewrite it in a built
// tessaly.exe in place; the program reads them at run time by name.
//
// A text slot holds the text's ASCII bytes followed by zero bytes up to its
// size (at least one). Allowed values:
//   update hosts (public, LAN): a DNS name (letters, digits and hyphens in
//     labels of 1-63 characters separated by dots, at most 253 characters,
//     the last label not all digits) or an IPv4 address in dotted decimal
//     (four numbers 0-255 without leading zeros); or nothing: that server is
//     not asked;
//   feedback host: the same, but never nothing;
//   feedback account number (userid): 1 to 20 decimal digits;
//   update proxy: HOST:PORT (a host as above and a port 1-65535 without
//     leading zeros), the word "system" (the PC's own proxy settings), or
//     nothing: the public update server is reached directly;
//   update public key: the 64 bytes X‖Y of a point of the curve P-256 (128
//     hexadecimal digits as `banktool keygen` writes them), all zero
//     (nothing) for a program that checks no signatures. A slot holding any
//     other bytes holds no value: the program then takes no download.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "program/constant_names.h"

namespace program {

enum class SettingKind { UpdateHost, FeedbackHost, UserId, PublicKey, Proxy };

struct SettingSlot {
  std::string_view name;      // as the configuration tool and its output name it
  std::string_view constant;  // the image constant holding it
  size_t size;                // the slot's bytes
  SettingKind kind;
};

inline constexpr size_t kHostSlotSize = 256;
inline constexpr size_t kMaxHostLength = 253;  // the DNS limit
inline constexpr size_t kUserIdSlotSize = 32;
inline constexpr size_t kMaxUserIdLength = 20;
// A host, a colon and five digits, and the closing zero byte.
inline constexpr size_t kProxySlotSize = 264;
// The proxy value that stands for the PC's own proxy settings.
inline constexpr std::string_view kSystemProxy = "system";

inline constexpr SettingSlot kPublicUpdateHostSetting = {"public-update-host", kPublicUpdateHostConstant, kHostSlotSize,
                                                         SettingKind::UpdateHost};
inline constexpr SettingSlot kLanUpdateHostSetting = {"lan-update-host", kLanUpdateHostConstant, kHostSlotSize,
                                                      SettingKind::UpdateHost};
inline constexpr SettingSlot kFeedbackHostSetting = {"feedback-host", kFeedbackHostConstant, kHostSlotSize,
                                                     SettingKind::FeedbackHost};
inline constexpr SettingSlot kFeedbackUserIdSetting = {"feedback-userid", kFeedbackUserIdConstant, kUserIdSlotSize,
                                                       SettingKind::UserId};
inline constexpr SettingSlot kUpdatePublicKeySetting = {"update-public-key", kUpdatePublicKeyConstant,
                                                        kUpdatePublicKeySize, SettingKind::PublicKey};
inline constexpr SettingSlot kUpdateProxySetting = {"update-proxy", kUpdateProxyConstant, kProxySlotSize,
                                                    SettingKind::Proxy};

// Every setting, in the order the image's directory and the tool list them.
inline constexpr std::array<SettingSlot, 6> kSettings = {kPublicUpdateHostSetting, kLanUpdateHostSetting,
                                                         kFeedbackHostSetting,     kFeedbackUserIdSetting,
                                                         kUpdatePublicKeySetting,  kUpdateProxySetting};

// Why a value is no value of its setting: one kind of fault for each rule
// above, so that a tool can say it in the teacher's language.
enum class SettingFaultKind {
  None,
  HostTooLong,  // `length` characters
  HostHoldsColon,
  HostHoldsSlash,
  HostNotAscii,
  HostBadCharacter,
  HostEmptyLabel,
  HostLongLabel,
  HostHyphenLabel,
  HostNumericName,
  HostBadIpv4,
  FeedbackHostEmpty,
  UserIdNotDigits,
  UserIdTooLong,
  ProxyNotHostPort,
  ProxyNoPort,
  ProxyNoHost,
  KeyNotHexDigits,
  KeyAllZeros,
  KeyNotOnCurve,
  UnknownKind,
};
struct SettingFault {
  SettingFaultKind kind = SettingFaultKind::None;
  size_t length = 0;
  explicit operator bool() const { return kind != SettingFaultKind::None; }
};

// The fault of `value` as a value of the setting (see above); none when it is
// one. Values are texts; the key is its 128 hexadecimal digits or empty.
SettingFault SettingFaultOf(const SettingSlot& setting, std::string_view value);
// The fault in English, as the release build and its tools report it
// ("holds a '/' (give the host alone, not a URL)"); empty for none.
std::string SettingFaultText(const SettingFault& fault);
// SettingFaultText(SettingFaultOf(setting, value)).
std::string SettingProblem(const SettingSlot& setting, std::string_view value);

// The slot's bytes for a value, or nothing with the reason in `error`.
std::optional<std::string> SlotBytes(const SettingSlot& setting, std::string_view value, std::string& error);

// The value a slot holds (the key as 128 lowercase hexadecimal digits, empty
// for none), or nothing with the reason in `error`: bytes of another size, a
// text not followed by zero bytes only, a value the setting does not allow.
std::optional<std::string> SlotValue(const SettingSlot& setting, std::span<const uint8_t> bytes, std::string& error);

// The feedback guestbook page for a host and an account number.
std::string FeedbackUrl(std::string_view host, std::string_view userId);

#ifdef _WIN32
// The value of the running program's setting (its image's constant), empty
// when the constant holds no value of the setting (program_settings_win.cpp).
std::string ConfiguredSetting(const SettingSlot& setting);
#endif

}  // namespace program
