// What the two program files declare to Windows: the version resource that
// Explorer's 详细信息 page shows for tessaly.exe and krnln.fnr, and the
// application manifest of tessaly.exe, whose Common Controls 6 the window
// built by krnln.fnr uses.
#include <windows.h>
#include <psapi.h>

#include <array>
#include <cstring>
#include <cwctype>

#include "tests/e2e/bank_fixture.h"
#include "tests/e2e/program_fixture.h"

namespace e2e {
namespace {

constexpr wchar_t kProductName[] = L"《Tessaly》之填空题练习";

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }

// The leading numbers of a version text, four of them: "1.0.2" gives 1, 0, 2, 0
// and "1.0.3-beta" 1, 0, 3, 0.
std::array<WORD, 4> VersionNumbers(const std::wstring& text) {
  std::array<WORD, 4> numbers{};
  size_t at = 0;
  for (WORD& number : numbers) {
    if (at >= text.size() || !std::iswdigit(text[at])) break;
    size_t used = 0;
    number = static_cast<WORD>(std::stoul(text.substr(at), &used));
    at += used;
    if (at >= text.size() || text[at] != L'.') break;
    ++at;
  }
  return numbers;
}

class VersionInfo {
 public:
  explicit VersionInfo(const std::wstring& path) {
    DWORD ignored = 0;
    data_.resize(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    if (!data_.empty() && !GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data_.size()), data_.data())) {
      data_.clear();
    }
  }
  bool present() const { return !data_.empty(); }
  const VS_FIXEDFILEINFO* fixed() const { return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\")); }
  // The first language and code page pair of the Translation value.
  std::array<WORD, 2> translation() const {
    const WORD* value = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation"));
    return value ? std::array<WORD, 2>{value[0], value[1]} : std::array<WORD, 2>{};
  }
  std::wstring Text(const std::wstring& table, const wchar_t* name) const {
    const wchar_t* value = static_cast<const wchar_t*>(Query(L"\\StringFileInfo\\" + table + L"\\" + name));
    return value ? value : L"(missing)";
  }

 private:
  const void* Query(const std::wstring& path) const {
    void* value = nullptr;
    UINT length = 0;
    auto* block = const_cast<BYTE*>(data_.data());
    return VerQueryValueW(block, path.c_str(), &value, &length) && length > 0 ? value : nullptr;
  }
  std::vector<BYTE> data_;
};

TEST(ProgramFilesTest, VersionResourcesNameTheProductAndTheVersionInChinese) {
  const std::wstring version = Widen(TESSALY_VERSION);
  const std::array<WORD, 4> n = VersionNumbers(version);
  const struct {
    const wchar_t* file;
    std::wstring description;
    DWORD type;
  } files[] = {{L"tessaly.exe", kProductName + std::wstring(L" 主程序"), VFT_APP},
               {L"krnln.fnr", kProductName + std::wstring(L" 运行支持库"), VFT_DLL}};
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    const VersionInfo info(BinDirectory() + L"\\" + f.file);
    ASSERT_TRUE(info.present()) << "no version resource";
    const VS_FIXEDFILEINFO* fixed = info.fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(n[1], n[0]));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(n[3], n[2]));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, f.type);
    // Chinese (Simplified, PRC) in Unicode, the one string table.
    EXPECT_EQ(info.translation(), (std::array<WORD, 2>{0x0804, 1200}));
    const std::wstring table = L"080404B0";
    EXPECT_EQ(info.Text(table, L"ProductName"), kProductName);
    EXPECT_EQ(info.Text(table, L"FileDescription"), f.description);
    EXPECT_EQ(info.Text(table, L"FileVersion"), version);
    EXPECT_EQ(info.Text(table, L"ProductVersion"), version);
    EXPECT_EQ(info.Text(table, L"OriginalFilename"), f.file);
    EXPECT_EQ(info.Text(table, L"InternalName"), f.file);
  }
}

TEST(ProgramFilesTest, TheWindowUsesCommonControlsSix) {
  ProgramFolder folder;
  folder.WriteFile(L"关键词.txt", Gbk(L"集合\r\n"));
  WriteBank(folder.path() + L"\\填空题题库.db", {{L"集合", 1, 1, 1}});
  RunningProgram program(folder);
  ASSERT_TRUE(program.started());

  // The manifest's dependency makes the loader take comctl32 from the side-by-side
  // assembly Microsoft.Windows.Common-Controls 6.0 instead of the system folder.
  HMODULE modules[512];
  DWORD bytes = 0;
  ASSERT_TRUE(EnumProcessModules(program.process().handle, modules, sizeof modules, &bytes));
  std::wstring loaded;  // every comctl32.dll of the process, one a line
  bool six = false;
  for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < std::size(modules); ++i) {
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameExW(program.process().handle, modules[i], name, MAX_PATH);
    std::wstring path = name;
    for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
    if (!path.ends_with(L"\\comctl32.dll")) continue;
    loaded += path + L"\n";
    six = six || path.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0.") != std::wstring::npos;
  }
  EXPECT_TRUE(six) << "comctl32 loaded from:\n" << std::string(loaded.begin(), loaded.end());
  EXPECT_EQ(program.Close(), 0u);
}

}  // namespace
}  // namespace e2e
