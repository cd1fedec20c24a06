// The archives' own signatures, the way of servers before the signed version
// file (update/signed_versions.h), which a program with a key keeps to until
// it has once accepted such a file. A program built with an update public
// key (the image's constant UpdatePublicKey) then uses a downloaded bank.zip
// or zentra.rar only when the server's version file carries its signature by
// that key (题库签名, 主程序签名: hexadecimal r‖s); one built without a key
// (the constant's 64 bytes all zero) takes every download, as before. A constant that is missing, of another size or no point of the
// curve P-256 is no "without a key": such a program takes no download.
#pragma once

#include <string_view>

// Whether `archive` may be used: `publicKey` is 64 zero bytes (no key built
// in), or it is a point of the curve and `signatureText` is the hexadecimal
// signature of `archive` by it. A missing, malformed or wrong signature, and
// any other key (empty, another size, no point of the curve), is refused
// alike. Touches no Windows interface.
bool ArchiveSignatureAccepted(std::string_view publicKey, std::string_view signatureText, std::string_view archive);

// Whether a program with this key slot checks what it downloads: anything
// but the 64 zero bytes of "no key", a damaged slot included.
bool ChecksSignatures(std::string_view publicKey);
