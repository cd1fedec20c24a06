// The teacher's tools speak Chinese to a teacher and English to a server's
// log: every text they show is one row of one table (tool_messages.inc) that
// holds it in both languages, with {1}, {2} ... where the values go.
#pragma once

#include <concepts>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

enum class Language { kChinese, kEnglish };

// The language the texts are given in. Until a tool sets it, English.
Language CurrentLanguage();
void SetLanguage(Language language);

// The language a tool run from here should speak. TESSALY_TOOL_LANGUAGE=zh or
// en decides when set; otherwise Windows gets Chinese (the kit's teachers),
// and elsewhere the locale decides as the C library reads it: the first set
// of LC_ALL, LC_MESSAGES and LANG, Chinese when it begins with "zh".
Language LanguageFromEnvironment();

enum class Msg : int {
#define TOOL_MESSAGE(id, zh, en) id,
#include "tools/teacher_kit/toolkit/tool_messages.inc"
#undef TOOL_MESSAGE
};

struct MessageText {
  const char* id;
  const char* zh;
  const char* en;
};
std::span<const MessageText> AllMessages();

// A value for a message: a text, or a number written in digits.
class MessageArg {
 public:
  MessageArg(std::string_view text) : text_(text) {}
  MessageArg(const std::string& text) : text_(text) {}
  MessageArg(const char* text) : text_(text) {}
  template <std::integral T>
  MessageArg(T number) : text_(std::to_string(number)) {}
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// `text` with {1} ... {9} replaced by the values; a place without a value
// stays as written.
std::string FillMessage(std::string_view text, const std::vector<MessageArg>& args);

// The message in the current language with its values.
template <typename... Args>
std::string Say(Msg id, const Args&... args) {
  std::string SayList(Msg, const std::vector<MessageArg>&);
  return SayList(id, std::vector<MessageArg>{MessageArg(args)...});
}
std::string SayList(Msg id, const std::vector<MessageArg>& args);

// English counts things in the singular or plural; Chinese does not.
std::string SayCount(size_t n, Msg one, Msg many);

// A value quoted for a message: “abc” in Chinese, "abc" in English.
std::string Quoted(std::string_view value);

}  // namespace toolkit
