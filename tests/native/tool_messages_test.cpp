// The teacher's tools' message table: every message in both languages with
// the same values, the values filled in, and the language a tool picks from
// its environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "tools/teacher_kit/toolkit/tool_messages.h"

namespace {

using toolkit::Language;
using toolkit::Msg;

// The numbers of the {n} places in a text.
std::multiset<int> Places(std::string_view text) {
  std::multiset<int> places;
  for (size_t i = 0; i + 2 < text.size(); ++i) {
    if (text[i] == '{' && text[i + 1] >= '1' && text[i + 1] <= '9' && text[i + 2] == '}')
      places.insert(text[i + 1] - '0');
  }
  return places;
}

TEST(ToolMessages, EveryMessageHasBothLanguagesWithTheSameValues) {
  ASSERT_GT(toolkit::AllMessages().size(), 100u);
  for (const toolkit::MessageText& message : toolkit::AllMessages()) {
    EXPECT_STRNE(message.zh, "") << message.id;
    EXPECT_STRNE(message.en, "") << message.id;
    const std::multiset<int> zh = Places(message.zh), en = Places(message.en);
    EXPECT_EQ(std::set<int>(zh.begin(), zh.end()), std::set<int>(en.begin(), en.end())) << message.id;
    // The values are numbered from 1 without a gap: a value given and never
    // shown, or a place no value fills, is a message written wrong.
    const std::set<int> used(en.begin(), en.end());
    EXPECT_TRUE(used.empty() || (*used.begin() == 1 && *used.rbegin() == static_cast<int>(used.size()))) << message.id;
  }
}

TEST(ToolMessages, ValuesFillTheirPlacesInTheChosenLanguage) {
  toolkit::SetLanguage(Language::kChinese);
  EXPECT_EQ(toolkit::Say(Msg::WhereRowColumn, "题目表.csv", 7, "正答",
                         toolkit::Say(Msg::CountNotWhole, toolkit::Quoted("abc"))),
            "题目表.csv 第7行“正答”列：“abc”不是整数");
  EXPECT_EQ(toolkit::SayCount(1, Msg::Questions1, Msg::QuestionsN), "1 道题");
  toolkit::SetLanguage(Language::kEnglish);
  EXPECT_EQ(toolkit::Say(Msg::WhereRowColumn, "题目表.csv", 7, "正答",
                         toolkit::Say(Msg::CountNotWhole, toolkit::Quoted("abc"))),
            "题目表.csv: row 7, column 正答: \"abc\" is not a whole number");
  EXPECT_EQ(toolkit::SayCount(1, Msg::Questions1, Msg::QuestionsN), "1 question");
  EXPECT_EQ(toolkit::SayCount(2, Msg::Questions1, Msg::QuestionsN), "2 questions");
  // A value is put in as it is, even when it looks like a place.
  EXPECT_EQ(toolkit::FillMessage("{1} and {2}", {"{2}", "x"}), "{2} and x");
  EXPECT_EQ(toolkit::FillMessage("{1} and {2}", {"a"}), "a and {2}");
}

TEST(ToolMessages, TheLanguageFollowsTheSettingThenTheLocale) {
  const auto with = [](const char* setting, const char* all, const char* messages, const char* lang) {
    const auto put = [](const char* name, const char* value) { value ? setenv(name, value, 1) : unsetenv(name); };
    put("TESSALY_TOOL_LANGUAGE", setting);
    put("LC_ALL", all);
    put("LC_MESSAGES", messages);
    put("LANG", lang);
    return toolkit::LanguageFromEnvironment();
  };
  EXPECT_EQ(with(nullptr, nullptr, nullptr, "zh_CN.UTF-8"), Language::kChinese);
  EXPECT_EQ(with(nullptr, nullptr, nullptr, "en_US.UTF-8"), Language::kEnglish);
  EXPECT_EQ(with(nullptr, nullptr, nullptr, nullptr), Language::kEnglish);
  EXPECT_EQ(with(nullptr, nullptr, "zh_TW.UTF-8", "C"), Language::kChinese);
  EXPECT_EQ(with(nullptr, "C", "zh_CN.UTF-8", "zh_CN.UTF-8"), Language::kEnglish);
  EXPECT_EQ(with(nullptr, "", "", "zh_CN.GBK"), Language::kChinese);
  EXPECT_EQ(with("en", nullptr, nullptr, "zh_CN.UTF-8"), Language::kEnglish);
  EXPECT_EQ(with("zh", "C", nullptr, nullptr), Language::kChinese);
  with(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
