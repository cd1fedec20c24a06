// Question banks written by the tests themselves, in the program's bank format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct TestQuestion {
  std::wstring unit;
  double correct = 0;
  double wrong = 0;
  int picture = 0;  // seed of the three pictures of this question
};

// The three pictures of a question: small 24-bit BMP files of distinct colours.
std::string QuestionPicture(int seed);
std::string AnswerPicture(int seed);
std::string SolutionPicture(int seed);

// Writes a bank with the standard tables, 记录号 = 1..n in the given order.
void WriteBank(const std::wstring& path, const std::vector<TestQuestion>& questions);
// Makes the bank at `path` with the bank tool from a question set as the
// question editor exports it (a zip archive of 题目表.csv and 图片/) whose
// rows carry their sources, typed texts and, in the first, a figure: the bank
// then holds the tool's own table QuestionSources beside the program's. The
// archive and the tool's other outputs go into a scratch folder beside the
// bank, removed again.
void BuildBankWithSources(const std::wstring& path, const std::vector<TestQuestion>& questions);
// Runs SQL against a bank file, creating it if needed.
void ExecuteSql(const std::wstring& path, const std::wstring& sql);

// CRC-32 as the drawing board reports it.
uint32_t Crc32(const std::string& bytes);

}  // namespace e2e
