#include "tools/teacher_kit/toolkit/tool_messages.h"

#include <atomic>
#include <cstdlib>

namespace toolkit {
namespace {

constexpr MessageText kMessages[] = {
#define TOOL_MESSAGE(id, zh, en) {#id, zh, en},
#include "tools/teacher_kit/toolkit/tool_messages.inc"
#undef TOOL_MESSAGE
};

std::atomic<Language> language{Language::kEnglish};

std::string_view Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

Language CurrentLanguage() { return language.load(); }
void SetLanguage(Language chosen) { language.store(chosen); }

Language LanguageFromEnvironment() {
  const std::string_view chosen = Variable("TESSALY_TOOL_LANGUAGE");
  if (chosen.starts_with("zh")) return Language::kChinese;
  if (chosen.starts_with("en")) return Language::kEnglish;
#ifdef _WIN32
  return Language::kChinese;
#else
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string_view locale = Variable(name);
    if (!locale.empty()) return locale.starts_with("zh") ? Language::kChinese : Language::kEnglish;
  }
  return Language::kEnglish;
#endif
}

std::span<const MessageText> AllMessages() { return kMessages; }

std::string FillMessage(std::string_view text, const std::vector<MessageArg>& args) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 2 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' && text[i + 2] == '}') {
      const size_t n = static_cast<size_t>(text[i + 1] - '1');
      if (n < args.size()) {
        out += args[n].text();
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::string SayList(Msg id, const std::vector<MessageArg>& args) {
  const MessageText& message = kMessages[static_cast<int>(id)];
  return FillMessage(CurrentLanguage() == Language::kChinese ? message.zh : message.en, args);
}

std::string SayCount(size_t n, Msg one, Msg many) { return Say(n == 1 ? one : many, n); }

std::string Quoted(std::string_view value) { return Say(Msg::Quoted, value); }

}  // namespace toolkit
