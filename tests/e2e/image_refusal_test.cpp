// A launcher whose embedded program image is damaged: the runtime support
// library refuses to run it, says why, and the process ends with -1 without
// ever showing the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/program_fixture.h"
#include "tools/test_programs/driver/driver.h"

namespace e2e {
namespace {

constexpr DWORD kTimeoutMs = 10000;
const std::wstring kRefusal = L"程序映像有误，无法运行。";

std::vector<char> ReadAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// The image header inside the executable: "WJ", two zero bytes, eight zero words.
size_t FindImage(const std::vector<char>& exe) {
  std::string header("WJ\0\0", 4);
  header.append(32, '\0');
  const auto at = std::search(exe.begin(), exe.end(), header.begin(), header.end());
  return at == exe.end() ? std::string::npos : static_cast<size_t>(at - exe.begin());
}

class ImageRefusalTest : public ::testing::Test {
 protected:
  ProgramFolder folder_;
};

TEST_F(ImageRefusalTest, ADamagedImageIsRefusedWithItsReasonAndExitCodeMinusOne) {
  std::vector<char> exe = ReadAll(folder_.exe());
  const size_t image = FindImage(exe);
  ASSERT_NE(image, std::string::npos) << "the launcher carries the image";
  ASSERT_EQ(FindImage(std::vector<char>(exe.begin() + image + 1, exe.end())), std::string::npos)
      << "exactly one image header in the launcher";
  // The library table starts at 0xC0 with "krnln", CR and the 32 hexadecimal
  // digits of its identifier; a digit that is not one damages the image.
  ASSERT_EQ(std::string(exe.data() + image + 0xC0, 6), "krnln\r");
  exe[image + 0xC0 + 6] = 'Z';
  {
    std::ofstream out(std::filesystem::path(folder_.exe()), std::ios::binary | std::ios::trunc);
    out.write(exe.data(), static_cast<std::streamsize>(exe.size()));
    ASSERT_TRUE(out.good());
  }

  driver::Process process;
  ASSERT_TRUE(driver::Start(folder_.exe(), folder_.path(), process));
  ProcessGuard guard(process);
  HWND box = driver::WaitForMessageBox(process.id, kTimeoutMs);
  ASSERT_NE(box, nullptr) << "the refusal is shown";
  const std::wstring text = driver::MessageBoxText(box);
  EXPECT_EQ(text.rfind(kRefusal, 0), 0u) << "message: " << Gbk(text);
  EXPECT_NE(text.find(L"identifier"), std::wstring::npos) << "the reason names what is wrong: " << Gbk(text);
  wchar_t caption[64] = {};
  GetWindowTextW(box, caption, 64);
  EXPECT_EQ(std::wstring(caption), L"错误");
  EXPECT_EQ(driver::WaitForWindow(process.id, kCaption, 100), nullptr);
  driver::DismissMessageBox(box);
  DWORD code = 0;
  ASSERT_TRUE(driver::WaitForExit(process, kTimeoutMs, code));
  EXPECT_EQ(code, 0xFFFFFFFFu);
  guard.Release();
  CloseHandle(process.handle);
}

}  // namespace
}  // namespace e2e
