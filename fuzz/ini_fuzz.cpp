// libFuzzer target: the INI reader and editor on a server's math.ini, which
// strangers on the network path may write. Besides no crash and no undefined
// behaviour: a value set in a section reads back as set.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view ini(reinterpret_cast<const char*>(data), size);
  // The names the program reads: 版本信息, 题库版本, 主程序版本 (GBK).
  const std::string_view section = "\xB0\xE6\xB1\xBE\xD0\xC5\xCF\xA2";
  const std::string_view bankKey = "\xCC\xE2\xBF\xE2\xB0\xE6\xB1\xBE";
  const std::string_view programKey = "\xD6\xF7\xB3\xCC\xD0\xF2\xB0\xE6\xB1\xBE";
  rt::IniValue(ini, section, bankKey);
  rt::IniValue(ini, section, programKey);
  for (const rt::IniRepeats repeats : {rt::IniRepeats::Keep, rt::IniRepeats::Drop}) {
    const std::string edited = rt::WithIniValue(ini, section, bankKey, "2026.12", repeats);
    if (rt::IniValue(edited, section, bankKey) != "2026.12") __builtin_trap();
  }
  return 0;
}
