// Before windows.h, which the fixture's header brings.
#include <winsock2.h>

#include "tests/e2e/update_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "zip.h"
// After zip.h, which brings the zlib declarations it needs.
#include "iowin32.h"

namespace e2e {
namespace {

constexpr char kKeeperAddress[] = "127.0.0.1";
constexpr u_short kKeeperPort = 8009;

// The keeper's folder (TESSALY_TEST_SERVERS, given by the build), where each
// server's served folder lies, as Windows sees it.
std::wstring KeeperFolder() {
  std::wstring path = L"Z:" + FromGbk(TESSALY_TEST_SERVERS);
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}

// The token the keeper was started with, which it wants in every request; the
// script that starts it leaves it in the keeper's folder.
std::string KeeperToken() {
  std::ifstream in(std::filesystem::path(KeeperFolder() + L"\\keeper-token"), std::ios::binary);
  std::string token;
  std::getline(in, token);
  return token;
}

// One request to the keeper; its answer's body, or "" when it failed (the
// test is then marked failed).
std::string AskKeeper(const std::string& pathAndQuery) {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return std::string();
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(kKeeperPort);
  to.sin_addr.s_addr = inet_addr(kKeeperAddress);
  if (connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    closesocket(s);
    ADD_FAILURE() << "the update server keeper does not answer on 127.0.0.1:8009 (scripts/test-servers.sh starts it)";
    return std::string();
  }
  static const std::string token = KeeperToken();
  const std::string request = "GET " + pathAndQuery + (pathAndQuery.find('?') == std::string::npos ? "?" : "&") +
                              "token=" + token + " HTTP/1.0\r\nHost: keeper\r\n\r\n";
  send(s, request.data(), static_cast<int>(request.size()), 0);
  std::string answer;
  char buffer[4096];
  int n;
  while ((n = recv(s, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, static_cast<size_t>(n));
  closesocket(s);
  const size_t body = answer.find("\r\n\r\n");
  if (answer.compare(0, 12, "HTTP/1.0 200") != 0 || body == std::string::npos) {
    ADD_FAILURE() << "the keeper refused " << pathAndQuery << ": " << answer;
    return std::string();
  }
  return answer.substr(body + 4);
}

std::string TestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info ? std::string(info->test_suite_name()) + "." + info->name() : "outside";
}

}  // namespace

UpdateServer::UpdateServer(const std::string& name, const char* address)
    : name_(TestName() + "-" + name), address_(address) {
  folder_ = KeeperFolder() + L"\\" + FromGbk(name_) + L"\\www";
  RemoveTree(folder_);
  std::filesystem::create_directories(std::filesystem::path(folder_ + L"\\zentra"));
}

void UpdateServer::Start(const char* rate, const char* flag) {
  std::string request = "/start?name=" + name_ + "&address=" + address_ + "&rate=" + rate;
  if (flag) request += std::string("&flag=") + flag;
  EXPECT_EQ(AskKeeper(request), "started");
}

void UpdateServer::StartCutting() {
  EXPECT_EQ(AskKeeper("/start?name=" + name_ + "&address=" + address_ + "&cut=1"), "started");
}

void UpdateServer::Stop() { AskKeeper("/stop?address=" + address_); }

void UpdateServer::Kill() { AskKeeper("/kill?address=" + address_); }

std::vector<std::string> UpdateServer::Requests() const {
  // Lines of "msec, client, request line, status, bytes, time", tab-separated.
  std::vector<std::string> requests;
  std::istringstream log(AskKeeper("/log?address=" + address_));
  std::string line;
  while (std::getline(log, line)) {
    const size_t a = line.find('\t');
    const size_t b = line.find('\t', a + 1);
    const size_t c = line.find('\t', b + 1);
    std::string request = line.substr(b + 1, c - b - 1);
    request = request.substr(0, request.rfind(" HTTP/"));
    requests.push_back(request);
  }
  return requests;
}

void UpdateServer::Put(const std::wstring& relative, const std::string& bytes) const {
  const std::filesystem::path path(folder_ + L"\\" + relative);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good());
}

void UpdateServer::Remove(const std::wstring& relative) const { DeleteFileW((folder_ + L"\\" + relative).c_str()); }

void UpdateServer::PutVersions(const std::wstring& bankVersion, const std::wstring& programVersion,
                               const std::wstring& extraLines) const {
  Put(L"zentra\\math.ini",
      Gbk(L"[版本信息]\r\n题库版本=" + bankVersion + L"\r\n主程序版本=" + programVersion + L"\r\n" + extraLines));
}

void ForwardProxy::Start() { EXPECT_EQ(AskKeeper("/proxy?address=" + address_), "started"); }

void ForwardProxy::Stop() { AskKeeper("/stop?address=" + address_); }

std::vector<std::string> ForwardProxy::Requests() const {
  // tinyproxy's lines "CONNECT   <date> [pid]: Request (file descriptor N): GET http://... HTTP/1.1".
  std::vector<std::string> requests;
  std::istringstream log(AskKeeper("/log?address=" + address_));
  std::string line;
  while (std::getline(log, line)) {
    const size_t marker = line.find("): ");
    if (line.find("Request (file descriptor") == std::string::npos || marker == std::string::npos) continue;
    std::string request = line.substr(marker + 3);
    requests.push_back(request.substr(0, request.rfind(" HTTP/")));
  }
  return requests;
}

void StopAllUpdateServers() { AskKeeper("/stopall"); }

std::string ZipBytes(const std::vector<ZipMember>& members) {
  const std::wstring path = WorkDirectory() + L"\\zip-" + std::to_wstring(GetCurrentProcessId()) + L".zip";
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
  EXPECT_NE(zip, nullptr);
  if (!zip) return std::string();
  for (const ZipMember& m : members) {
    zip_fileinfo info{};
    EXPECT_EQ(zipOpenNewFileInZip4_64(zip, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                      m.stored ? 0 : Z_DEFLATED, m.stored ? 0 : Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, 8,
                                      Z_DEFAULT_STRATEGY, nullptr, 0, 20, m.utf8Name ? 0x0800 : 0, 0),
              ZIP_OK);
    if (!m.content.empty()) zipWriteInFileInZip(zip, m.content.data(), static_cast<unsigned>(m.content.size()));
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  std::string bytes = ReadFileBytes(path);
  DeleteFileW(path.c_str());
  return bytes;
}

std::string BankBytes(const std::vector<TestQuestion>& questions) {
  const std::wstring path = WorkDirectory() + L"\\bank-" + std::to_wstring(GetCurrentProcessId()) + L".db";
  WriteBank(path, questions);
  std::string bytes = ReadFileBytes(path);
  DeleteFileW(path.c_str());
  return bytes;
}

std::string BankZip(const std::vector<TestQuestion>& questions, const std::wstring& keywords,
                    const std::vector<ZipMember>& more) {
  std::vector<ZipMember> members = {{Gbk(L"填空题题库.db"), BankBytes(questions)}, {Gbk(L"关键词.txt"), Gbk(keywords)}};
  members.insert(members.end(), more.begin(), more.end());
  return ZipBytes(members);
}

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t p = 0;
  while (p < text.size()) {
    size_t end = text.find(L"\r\n", p);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(p, end - p));
    p = end + 2;
  }
  return lines;
}

HWND WaitForMessageBoxText(DWORD processId, const std::wstring& text, DWORD timeoutMs) {
  HWND found = nullptr;
  driver::WaitUntil(
      [&] {
        for (HWND box : driver::MessageBoxes(processId)) {
          if (driver::MessageBoxText(box) == text) found = box;
        }
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "could not write " << std::filesystem::path(path).string();
}

void UpdateFixture::StartThroughSelfRepair(const std::wstring& failure) {
  driver::Process process;
  ASSERT_TRUE(driver::Start(folder_.exe(), folder_.path(), process));
  ProcessGuard guard(process);
  HWND notice = WaitForMessageBoxText(process.id, kRepairNotice);
  ASSERT_NE(notice, nullptr);
  wchar_t title[64] = {};
  GetWindowTextW(notice, title, 64);
  EXPECT_STREQ(title, L"自我修复告示");
  EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_TOPMOST) << "system-modal";
  driver::DismissMessageBox(notice);
  if (!failure.empty()) {
    HWND failed = WaitForMessageBoxText(process.id, L"自我修复没有完成：" + failure + L"。请稍后重新启动本程序再试……");
    ASSERT_NE(failed, nullptr);
    driver::DismissMessageBox(failed);
  }
  program_ = std::make_unique<RunningProgram>(process, true);
  guard.Release();
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace e2e
