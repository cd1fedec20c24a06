// Whether 64 bytes X‖Y are a point of the NIST P-256 curve, y² = x³ − 3x + b
// (mod p): what every update public key must be. A key that is not (a slot
// overwritten by hand, a typing error that still gives 128 hexadecimal
// digits) would leave the signature check to whatever the system's crypto
// makes of it, so the program, the configuration tool and the bank tool
// refuse such a key themselves, by this one rule.
//
// Plain arithmetic on four 64-bit words, no Windows interface and no crypto
// library, so that it is the same in the program, its runtime library and
// the tools on either platform. Not constant-time: a public key is no secret.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rt {
namespace p256 {

// A number below 2²⁵⁶, least significant word first.
using Number = std::array<uint64_t, 4>;

// The field's prime p = 2²⁵⁶ − 2²²⁴ + 2¹⁹² + 2⁹⁶ − 1 and the curve's b.
inline constexpr Number kPrime = {0xFFFFFFFFFFFFFFFF, 0x00000000FFFFFFFF, 0x0000000000000000, 0xFFFFFFFF00000001};
inline constexpr Number kB = {0x3BCE3C3E27D2604B, 0x651D06B0CC53B0F6, 0xB3EBBD55769886BC, 0x5AC635D8AA3A93E7};

// 32 big-endian bytes.
inline Number FromBytes(std::string_view bytes) {
  Number n{};
  for (size_t i = 0; i < 32; ++i) {
    n[3 - i / 8] = (n[3 - i / 8] << 8) | static_cast<uint8_t>(bytes[i]);
  }
  return n;
}

inline bool Less(const Number& a, const Number& b) {
  for (int i = 3; i >= 0; --i) {
    if (a[i] != b[i]) return a[i] < b[i];
  }
  return false;
}

// a − b, wrapping at 2²⁵⁶; `borrow` tells whether it wrapped.
inline Number Subtract(const Number& a, const Number& b, bool& borrow) {
  Number d{};
  uint64_t carry = 0;
  for (size_t i = 0; i < 4; ++i) {
    const uint64_t step = a[i] - b[i];
    const uint64_t borrowed = a[i] < b[i] ? 1 : 0;
    d[i] = step - carry;
    carry = borrowed | (step < carry ? 1 : 0);
  }
  borrow = carry != 0;
  return d;
}

// a + b, wrapping at 2²⁵⁶; `carry` tells whether it wrapped.
inline Number Add(const Number& a, const Number& b, bool& carry) {
  Number s{};
  uint64_t c = 0;
  for (size_t i = 0; i < 4; ++i) {
    const uint64_t step = a[i] + c;
    const uint64_t over = step < c ? 1 : 0;
    s[i] = step + b[i];
    c = over | (s[i] < b[i] ? 1 : 0);
  }
  carry = c != 0;
  return s;
}

// (a + b) mod p, for a and b below p.
inline Number AddMod(const Number& a, const Number& b) {
  bool carry, ignored;
  const Number s = Add(a, b, carry);
  // Past p, or past 2²⁵⁶ (then taking p away wraps back below it).
  return carry || !Less(s, kPrime) ? Subtract(s, kPrime, ignored) : s;
}

// (a − b) mod p, for a and b below p.
inline Number SubtractMod(const Number& a, const Number& b) {
  bool borrow, ignored;
  const Number d = Subtract(a, b, borrow);
  // Below zero: adding p to the wrapped difference wraps back.
  return borrow ? Add(d, kPrime, ignored) : d;
}

// (a · b) mod p, for a and b below p: doubling and adding, bit by bit.
inline Number MultiplyMod(const Number& a, const Number& b) {
  Number r{};
  for (int bit = 255; bit >= 0; --bit) {
    r = AddMod(r, r);
    if ((b[bit / 64] >> (bit % 64)) & 1) r = AddMod(r, a);
  }
  return r;
}

}  // namespace p256

// Whether `xy` is 64 bytes X‖Y (each 32 bytes big-endian) of a point of the
// curve P-256. The point at infinity has no such form, and all zeros is no
// point.
inline bool IsP256Point(std::string_view xy) {
  using namespace p256;
  if (xy.size() != 64) return false;
  const Number x = FromBytes(xy.substr(0, 32)), y = FromBytes(xy.substr(32, 32));
  if (!Less(x, kPrime) || !Less(y, kPrime)) return false;
  // x³ − 3x + b = (x² − 3) · x + b
  const Number three = {3, 0, 0, 0};
  const Number right = AddMod(MultiplyMod(SubtractMod(MultiplyMod(x, x), three), x), kB);
  return MultiplyMod(y, y) == right;
}

}  // namespace rt
