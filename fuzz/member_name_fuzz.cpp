// libFuzzer target: the archive member names of a downloaded bank.zip, which
// strangers on the network path may write: decoded from either encoding, then
// judged. Besides no crash and no undefined behaviour: an accepted name stays
// strictly inside the target folder, and judging its path again accepts it
// as the same path; folding its letter case (the same-file rule) keeps its
// length and its slashes and is done once for all.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/files/archive_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint16_t flags = data[0] & 1 ? rt::kZipUtf8NameFlag : 0;
  const std::string_view raw(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string name = rt::DecodeMemberName(raw, flags);
  const rt::MemberCheck check = rt::CheckMemberName(name);
  if (check.verdict != rt::MemberVerdict::Accepted) return 0;
  const std::string& path = check.relative;
  if (!path.empty() && (path.front() == '/' || path.back() == '/')) __builtin_trap();
  if (path.find(':') != std::string::npos || path.find('\\') != std::string::npos) __builtin_trap();
  if (path == ".." || path.starts_with("../") || path.ends_with("/..") || path.find("/../") != std::string::npos ||
      path.find("//") != std::string::npos) {
    __builtin_trap();
  }
  const std::string folded = rt::FoldedName(path);
  if (folded.size() != path.size() || rt::FoldedName(folded) != folded) __builtin_trap();
  for (size_t i = 0; i < path.size(); ++i) {
    if ((path[i] == '/') != (folded[i] == '/')) __builtin_trap();
  }
  if (!path.empty()) {
    const rt::MemberCheck again = rt::CheckMemberName(check.folder ? path + "/" : path);
    if (again.verdict != rt::MemberVerdict::Accepted || again.relative != path) __builtin_trap();
  }
  return 0;
}
