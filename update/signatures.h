// The signatures of the server's archives. A program built with an update
// public key (the image's constant UpdatePublicKey) uses a downloaded
// bank.zip or zentra.rar only when the server's version file carries its
// signature by that key (题库签名, 主程序签名: hexadecimal r‖s); one built
// without a key (the constant all zero) takes every download, as before.
#pragma once

#include <string_view>

#include "runtime/blocks.h"

// Whether `archive` may be used: no key is built in, or `signatureText` is
// the hexadecimal signature of `archive` by `publicKey`. A missing, malformed
// or wrong signature is refused alike. Touches no Windows interface.
bool ArchiveSignatureAccepted(std::string_view publicKey, std::string_view signatureText, std::string_view archive);

// The same for a download of the known server, with the program's built-in
// key and the signature `signatureKey` (program/file_names.h) of math.tmp,
// the server's version file that the update check or the self-repair fetched.
bool DownloadedArchiveAccepted(const rt::ByteSet& archive, const char* signatureKey);
