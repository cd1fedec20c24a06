#include "answer/answer_file.h"

namespace {
// The root's answer file is written under this form of its name.
constexpr const char* kRootFileForBlank = "c:/ans.gif";
}  // namespace

bool AnswerFile::WriteBlank(const Writer& write, const PerUserFile& perUserFile) {
  if (own_) return write(name_);
  if (write(kRootFileForBlank)) return true;
  std::string own = perUserFile();
  if (own.empty()) return false;
  own_ = true;
  name_ = std::move(own);
  return write(name_);
}

std::string AnswerFile::CommandLineArgument() const {
  if (name_.find(' ') == std::string::npos) return " " + name_;
  return " \"" + name_ + "\"";
}
