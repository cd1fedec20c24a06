// The signed version file: what `banktool publish --key` writes beside the
// server's zentra/math.ini, and what a program built with an update public
// key checks before it uses anything of math.ini. It binds, under one
// signature by the school's key, math.ini's exact bytes, each archive's
// digest, size and kind, and a release number that only rises (发布序号):
//
//     [版本签名]
//     发布序号=20261209201530
//     版本文件摘要=<64 hexadecimal digits: SHA-256 of zentra/math.ini>
//     题库大小=<bytes of zentra/bank.zip>
//     题库摘要=<64 hexadecimal digits: its SHA-256>
//     主程序大小=<bytes of zentra/zentra.rar>
//     主程序摘要=<64 hexadecimal digits>
//     签名=<128 hexadecimal digits: r‖s>
//
// GBK text, CR LF line ends. The archive lines of a kind are there only when
// the server offers that archive signed. 签名 lines close the file, one per
// key that signed it (two while a school changes its key, so that programs
// with either key take it); each signs every byte above the first of them,
// prefixed with kSignedVersionsDomain. An archive's own
// signature is over the archive alone, so neither passes for the other: the
// body signed as an archive is no file, and the prefixed text is no archive
// a program takes (no zip, RAR, 7z or program). The kind of an archive is
// its keys: a bank's digest never passes for a program's.
//
// Reading touches no Windows interface (the runtime's signature check and
// digest); the bank tool writes with the same code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Put before the text whose signature is checked.
inline constexpr std::string_view kSignedVersionsDomain = "Tessaly signed version file 1\n";

enum class ArchiveKind { Bank, Program };

struct SignedArchive {
  uint64_t size = 0;
  std::string digest;  // SHA-256, 32 bytes
};

struct SignedVersions {
  uint64_t release = 0;           // 发布序号, at least 1
  std::string versionFileDigest;  // SHA-256 of math.ini, 32 bytes
  std::optional<SignedArchive> bank, program;

  const std::optional<SignedArchive>& archive(ArchiveKind kind) const {
    return kind == ArchiveKind::Bank ? bank : program;
  }
};

// The lines above 签名, as they are signed.
std::string SignedVersionsBody(const SignedVersions& versions);
// What the signature is made over: kSignedVersionsDomain and the body.
std::string SignedVersionsMessage(std::string_view body);
// The whole file: the body and a signature line for each signature.
std::string SignedVersionsFile(std::string_view body, const std::vector<std::string>& signatures);

// The file's contents when it has the form above (lines of other keys are
// passed over; a key of its own twice, a value out of form, an archive's
// size without its digest or the other way round, anything but signature
// lines after the first, are not); its signatures are not checked. A program reads the
// release number of the copy it keeps with this.
std::optional<SignedVersions> ParseSignedVersions(std::string_view file);

// A whole number of 1 to 19 decimal digits without a leading zero (so at
// least 1), as the file writes a release number or an archive's size.
std::optional<uint64_t> ParseWholeNumber(std::string_view text);

// The same, only when one of its signatures is by `publicKey` (64 bytes X‖Y).
std::optional<SignedVersions> VerifiedSignedVersions(std::string_view file, std::string_view publicKey);

// Whether `archive` is the one the file signs for this kind: size and digest.
bool ArchiveMatches(const SignedVersions& versions, ArchiveKind kind, std::string_view archive);

// What a program with a key makes of the server's offer: the signed version
// file and math.ini as fetched, and the signed version file it keeps from the
// last offer it accepted (empty when it has accepted none).
enum class OfferVerdict {
  Signed,              // the signed file is good: math.ini may be used, archives by the file
  OldStyle,            // no good signed file, and none ever accepted: math.ini as it is,
                       // archives by their signature lines in it
  NotSigned,           // no good signed file, after one was accepted
  VersionFileAltered,  // math.ini is not the one the signed file names
  ReleaseLowered,      // a release number lower than the kept one
};
struct OfferCheck {
  OfferVerdict verdict = OfferVerdict::NotSigned;
  std::optional<SignedVersions> versions;  // the signed file's, when it verified
  uint64_t highestAccepted = 0;            // the kept file's release number (0: none readable)
};
OfferCheck CheckServerOffer(std::string_view publicKey, std::string_view signedFile, std::string_view versionFile,
                            std::string_view keptFile);
