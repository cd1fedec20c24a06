// The signatures of the server's archives. A program built with an update
// public key (the image's constant UpdatePublicKey) uses a downloaded
// bank.zip or zentra.rar only when the server's version file carries its
// signature by that key (题库签名, 主程序签名: hexadecimal r‖s); one built
// without a key (the constant's 64 bytes all zero) takes every download, as
// before. A constant that is missing, of another size or no point of the
// curve P-256 is no "without a key": such a program takes no download.
#pragma once

#include <string_view>

#include "runtime/blocks.h"

// Whether `archive` may be used: `publicKey` is 64 zero bytes (no key built
// in), or it is a point of the curve and `signatureText` is the hexadecimal
// signature of `archive` by it. A missing, malformed or wrong signature, and
// any other key (empty, another size, no point of the curve), is refused
// alike. Touches no Windows interface.
bool ArchiveSignatureAccepted(std::string_view publicKey, std::string_view signatureText, std::string_view archive);

// The same for a download of the known server, with the program's built-in
// key and the signature `signatureKey` (program/file_names.h) of math.tmp,
// the server's version file that the update check or the self-repair fetched.
bool DownloadedArchiveAccepted(const rt::ByteSet& archive, const char* signatureKey);
