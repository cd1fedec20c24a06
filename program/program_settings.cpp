#include "program/program_settings.h"

#include <algorithm>

#include "runtime/crypto/p256_point.h"
#include "runtime/data/hex.h"

namespace program {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

// The dot-separated pieces of a text.
template <typename Each>
bool EveryLabel(std::string_view text, Each each) {
  for (size_t start = 0;;) {
    const size_t dot = text.find('.', start);
    if (!each(text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start))) return false;
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

SettingFault HostFault(std::string_view host) {
  if (host.size() > kMaxHostLength) return {SettingFaultKind::HostTooLong, host.size()};
  for (const char c : host) {
    if (!IsLetter(c) && !IsDigit(c) && c != '-' && c != '.') {
      if (c == ':') return {SettingFaultKind::HostHoldsColon};
      if (c == '/') return {SettingFaultKind::HostHoldsSlash};
      if (static_cast<unsigned char>(c) >= 0x80) return {SettingFaultKind::HostNotAscii};
      return {SettingFaultKind::HostBadCharacter};
    }
  }
  size_t labels = 0, numeric = 0;
  SettingFault fault;
  EveryLabel(host, [&](std::string_view label) {
    ++labels;
    if (AllDigits(label)) ++numeric;
    if (label.empty())
      fault = {SettingFaultKind::HostEmptyLabel};
    else if (label.size() > 63)
      fault = {SettingFaultKind::HostLongLabel};
    else if (label.front() == '-' || label.back() == '-')
      fault = {SettingFaultKind::HostHyphenLabel};
    return !fault;
  });
  if (fault) return fault;
  if (!AllDigits(host.substr(host.rfind('.') + 1))) return {};
  // Numbers: only an IPv4 address in plain dotted decimal, which Windows
  // reads one way only (no "127.1", no octal "010.0.0.1").
  if (labels != 4 || numeric != 4) return {SettingFaultKind::HostNumericName};
  bool ok = true;
  EveryLabel(host, [&](std::string_view part) {
    ok = ok && part.size() <= 3 && (part.size() == 1 || part.front() != '0') && std::stoi(std::string(part)) <= 255;
    return ok;
  });
  return ok ? SettingFault{} : SettingFault{SettingFaultKind::HostBadIpv4};
}

// HOST:PORT of a proxy, or the PC's own settings.
SettingFault ProxyFault(std::string_view value) {
  if (value == kSystemProxy) return {};
  const size_t colon = value.rfind(':');
  if (colon == std::string_view::npos) return {SettingFaultKind::ProxyNotHostPort};
  const std::string_view port = value.substr(colon + 1);
  if (!AllDigits(port) || port.size() > 5 || port.front() == '0' || std::stoi(std::string(port)) > 65535) {
    return {SettingFaultKind::ProxyNoPort};
  }
  const std::string_view host = value.substr(0, colon);
  if (host.empty()) return {SettingFaultKind::ProxyNoHost};
  return HostFault(host);
}

// Why the 64 bytes of a key are no update public key. All zeros is the
// slot's "no key", which is written as the empty value, never as digits.
SettingFault KeyFault(std::string_view key) {
  if (key.find_first_not_of('\0') == std::string_view::npos) return {SettingFaultKind::KeyAllZeros};
  if (!rt::IsP256Point(key)) return {SettingFaultKind::KeyNotOnCurve};
  return {};
}

}  // namespace

SettingFault SettingFaultOf(const SettingSlot& setting, std::string_view value) {
  switch (setting.kind) {
    case SettingKind::UpdateHost:
      return value.empty() ? SettingFault{} : HostFault(value);
    case SettingKind::FeedbackHost:
      return value.empty() ? SettingFault{SettingFaultKind::FeedbackHostEmpty} : HostFault(value);
    case SettingKind::UserId:
      if (!AllDigits(value)) return {SettingFaultKind::UserIdNotDigits};
      if (value.size() > kMaxUserIdLength) return {SettingFaultKind::UserIdTooLong};
      return {};
    case SettingKind::Proxy:
      return value.empty() ? SettingFault{} : ProxyFault(value);
    case SettingKind::PublicKey: {
      if (value.empty()) return {};
      const std::optional<std::string> key = rt::BytesFromHex(value);
      if (!key || key->size() != setting.size) return {SettingFaultKind::KeyNotHexDigits};
      return KeyFault(*key);
    }
  }
  return {SettingFaultKind::UnknownKind};
}

std::string SettingFaultText(const SettingFault& fault) {
  switch (fault.kind) {
    case SettingFaultKind::None:
      return "";
    case SettingFaultKind::HostTooLong:
      return "is " + std::to_string(fault.length) + " characters long; a host name has at most " +
             std::to_string(kMaxHostLength);
    case SettingFaultKind::HostHoldsColon:
      return "holds a ':' (give the host alone: no \"http://\", no port, no IPv6 address)";
    case SettingFaultKind::HostHoldsSlash:
      return "holds a '/' (give the host alone, not a URL)";
    case SettingFaultKind::HostNotAscii:
      return "holds a character that is not ASCII (write an international name in its xn-- form)";
    case SettingFaultKind::HostBadCharacter:
      return "holds a character no host name holds";
    case SettingFaultKind::HostEmptyLabel:
      return "has an empty label (two dots in a row, or a dot at either end)";
    case SettingFaultKind::HostLongLabel:
      return "has a label longer than 63 characters";
    case SettingFaultKind::HostHyphenLabel:
      return "has a label that starts or ends with '-'";
    case SettingFaultKind::HostNumericName:
      return "is neither a host name (its last label is a number) nor an IPv4 address a.b.c.d";
    case SettingFaultKind::HostBadIpv4:
      return "is no IPv4 address: each of its four numbers is 0 to 255, without leading zeros";
    case SettingFaultKind::FeedbackHostEmpty:
      return "is empty; the feedback link needs a host";
    case SettingFaultKind::UserIdNotDigits:
      return "is not a number of decimal digits";
    case SettingFaultKind::UserIdTooLong:
      return "has more than " + std::to_string(kMaxUserIdLength) + " digits";
    case SettingFaultKind::ProxyNotHostPort:
      return "is neither HOST:PORT (a host name or IPv4 address, a colon and the proxy's port) nor \"system\"";
    case SettingFaultKind::ProxyNoPort:
      return "has no port 1-65535 after its colon";
    case SettingFaultKind::ProxyNoHost:
      return "has no host before its colon";
    case SettingFaultKind::KeyNotHexDigits:
      return "is not " + std::to_string(kUpdatePublicKeySize * 2) +
             " hexadecimal digits (update-public-key.txt of banktool keygen)";
    case SettingFaultKind::KeyAllZeros:
      return "is all zeros, which is no key (give \"\" for a program that checks no signatures)";
    case SettingFaultKind::KeyNotOnCurve:
      return "is no point of the curve P-256, so no public key of banktool keygen (a digit mistyped?); "
             "give update-public-key.txt itself";
    case SettingFaultKind::UnknownKind:
      break;
  }
  return "is of no known kind";
}

std::string SettingProblem(const SettingSlot& setting, std::string_view value) {
  return SettingFaultText(SettingFaultOf(setting, value));
}

std::optional<std::string> SlotBytes(const SettingSlot& setting, std::string_view value, std::string& error) {
  if (std::string problem = SettingProblem(setting, value); !problem.empty()) {
    error = std::string(setting.name) + " \"" + std::string(value) + "\" " + problem;
    return std::nullopt;
  }
  if (setting.kind == SettingKind::PublicKey) {
    return value.empty() ? std::string(setting.size, '\0') : *rt::BytesFromHex(value);
  }
  std::string bytes(value);
  bytes.resize(setting.size, '\0');  // the checks keep every text shorter than its slot
  return bytes;
}

std::optional<std::string> SlotValue(const SettingSlot& setting, std::span<const uint8_t> bytes, std::string& error) {
  const auto fail = [&](std::string why) -> std::optional<std::string> {
    error = std::string(setting.name) + " (constant " + std::string(setting.constant) + ") " + why;
    return std::nullopt;
  };
  if (bytes.size() != setting.size) {
    return fail("is " + std::to_string(bytes.size()) + " bytes, not " + std::to_string(setting.size));
  }
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::string value;
  if (setting.kind == SettingKind::PublicKey) {
    if (all.find_first_not_of('\0') == std::string_view::npos) return value;  // no key
    value = rt::HexText(all);
    if (const SettingFault fault = KeyFault(all)) return fail(SettingFaultText(fault));
    return value;
  }
  value = std::string(all.substr(0, all.find('\0')));
  if (value.size() == all.size() || all.find_first_not_of('\0', value.size()) != std::string_view::npos) {
    return fail("is not a text followed by zero bytes");
  }
  if (std::string problem = SettingProblem(setting, value); !problem.empty())
    return fail("\"" + value + "\" " + problem);
  return value;
}

std::string FeedbackUrl(std::string_view host, std::string_view userId) {
  return "http://" + std::string(host) + "/script/user/list.asp?userid=" + std::string(userId);
}

}  // namespace program
