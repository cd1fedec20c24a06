#include "tests/http/http_fixture.h"

#include <fstream>
#include <sstream>

namespace httptest {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

EchoedRequest ParseEcho(const std::string& raw) {
  EchoedRequest r;
  const size_t end = raw.find("\r\n\r\n");
  const std::string head = raw.substr(0, end);
  if (end != std::string::npos) r.body = raw.substr(end + 4);
  size_t pos = 0;
  bool first = true;
  while (pos <= head.size()) {
    size_t eol = head.find("\r\n", pos);
    if (eol == std::string::npos) eol = head.size();
    const std::string line = head.substr(pos, eol - pos);
    if (first) {
      r.requestLine = line;
      first = false;
    } else {
      r.headerLines.push_back(line);
    }
    pos = eol + 2;
  }
  return r;
}

std::string EchoedRequest::Header(const std::string& name) const {
  const std::string prefix = Lower(name) + ":";
  for (const std::string& line : headerLines) {
    if (Lower(line.substr(0, prefix.size())) == prefix) {
      const size_t v = line.find_first_not_of(' ', prefix.size());
      return v == std::string::npos ? std::string() : line.substr(v);
    }
  }
  return std::string();
}

bool EchoedRequest::Has(const std::string& name) const {
  const std::string prefix = Lower(name) + ":";
  for (const std::string& line : headerLines) {
    if (Lower(line.substr(0, prefix.size())) == prefix) return true;
  }
  return false;
}

std::vector<std::string> NginxLog() {
  // The servers' Unix folder (TESSALY_TEST_SERVERS, given by the build); Wine
  // shows it on drive Z:.
  std::string path = std::string("Z:") + TESSALY_TEST_SERVERS + "/logs/access.log";
  for (char& c : path) c = c == '/' ? '\\' : c;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace httptest
