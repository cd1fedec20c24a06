#include "tools/teacher_kit/toolkit/public_key_file.h"

#include <algorithm>

#include "runtime/crypto/p256_point.h"
#include "runtime/data/hex.h"
#include "tools/teacher_kit/toolkit/tool_files.h"
#include "tools/teacher_kit/toolkit/tool_messages.h"
#include "tools/teacher_kit/toolkit/tool_text.h"

namespace toolkit {

std::optional<std::string> ReadPublicKey(const std::string& given, std::string& error) {
  std::string text = given;
  if (const std::optional<std::string> digits = rt::BytesFromHex(given); !digits || digits->size() != 64) {
    std::string why;
    if (!ReadFileBytes(PathFromUtf8(given), text, why)) {
      error = Say(Msg::PublicKeyNeither, Quoted(given), why);
      return std::nullopt;
    }
    if (text.find("private-key=") != std::string::npos) {
      error = Say(Msg::PublicKeyIsPrivate, given);
      return std::nullopt;
    }
  }
  size_t position = 0;
  const std::string_view line = TrimBlanks(NextLine(text, position));
  const std::optional<std::string> key = rt::BytesFromHex(line);
  if (!key || key->size() != 64 ||
      !TrimBlanks(std::string_view(text).substr(std::min(position, text.size()))).empty()) {
    error = Say(Msg::PublicKeyNotOneLine, given);
    return std::nullopt;
  }
  if (!rt::IsP256Point(*key)) {
    error = Say(Msg::PublicKeyNotOnCurve, given);
    return std::nullopt;
  }
  return key;
}

}  // namespace toolkit
