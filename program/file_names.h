// The program's own files, all in the program folder, and the files of the
// update server it asks for (paths relative to the server's base URL).
#pragma once

namespace program {

// The question bank, opened by this name (the database family adds ".db").
inline constexpr const char* kQuestionBankName = "填空题题库";
// The keyword file shipped with the bank: GBK, one keyword per CR LF line.
inline constexpr const char* kKeywordFileName = "关键词.txt";
// The versions of the bank and the program, and the server's copy of them.
inline constexpr const char* kVersionFileName = "math.ini";
inline constexpr const char* kServerVersionFileName = "math.tmp";
// The downloaded archives: the bank, unpacked into the program folder, and
// the program, kept for the student to unpack by hand.
inline constexpr const char* kBankArchiveName = "bank.zip";
inline constexpr const char* kProgramArchiveName = "zentra.rar";

// The program and its runtime support library, as a release lays them out.
inline constexpr const char* kProgramFileName = "tessaly.exe";
inline constexpr const char* kRuntimeLibraryFileName = "krnln.fnr";
// The server's signed version file, as the program keeps it in its folder.
inline constexpr const char* kSignedVersionFileName = "版本签名.ini";

// The version file's section and keys.
inline constexpr const char* kVersionSection = "版本信息";
inline constexpr const char* kBankVersionKey = "题库版本";
inline constexpr const char* kProgramVersionKey = "主程序版本";
// The sizes in bytes of the server's two archives, in the server's copy.
inline constexpr const char* kBankSizeKey = "题库大小";
inline constexpr const char* kProgramSizeKey = "主程序大小";
// In the server's copy: the signatures of its two archives (hexadecimal r‖s,
// runtime/crypto/p256_signatures.h), which a program built with an update public key
// checks before it uses a download.
inline constexpr const char* kBankSignatureKey = "题库签名";
inline constexpr const char* kProgramSignatureKey = "主程序签名";

// On the update server: the flag file at the top, the rest in one folder.
inline constexpr const char* kServerFlagFile = "主机运行标志.txt";
inline constexpr const char* kServerFolder = "zentra";
inline constexpr const char* kServerVersionFile = "zentra/math.ini";
inline constexpr const char* kServerBankArchive = "zentra/bank.zip";
inline constexpr const char* kServerProgramArchive = "zentra/zentra.rar";
// The signed version file beside zentra/math.ini (update/signed_versions.h);
// the program keeps the last one it accepted as kSignedVersionFileName. Its
// name on the server is ASCII: the program asks for a name's GBK bytes, and a
// file the bank tool writes on Linux, or from Windows into a shared folder,
// is named in UTF-8 there, so a Chinese name would never be found.
inline constexpr const char* kSignedVersionServerName = "math-signed.ini";
inline constexpr const char* kServerSignedVersionFile = "zentra/math-signed.ini";

}  // namespace program
