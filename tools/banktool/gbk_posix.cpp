// GBK conversions through iconv.
#include <iconv.h>

#include "tools/banktool/gbk.h"

namespace banktool {
namespace {

// One conversion descriptor per direction, opened on first use and kept: a
// bank checks thousands of texts.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::optional<std::string> Convert(const Converter& converter, std::string_view input) {
  if (input.empty()) return std::string();
  if (!converter.ok()) return std::nullopt;
  iconv_t cd = converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  // Neither direction more than doubles the length.
  std::string output(input.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  // A count above zero means characters were converted irreversibly.
  if (result != 0 || inLeft != 0) return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
  static const Converter converter("GBK", "UTF-8");
  return Convert(converter, utf8);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
  static const Converter converter("UTF-8", "GBK");
  return Convert(converter, gbk);
}

}  // namespace banktool
