#include "runtime/window/unpacker.h"

#include "runtime/data/encoding.h"

namespace rt {

Text MemberProgressText(const MemberReport& member) {
  std::string text(Utf8ToGbk(member.name).view());
  if (member.outcome == MemberOutcome::Failed) {
    text += "（未能解压）";
  } else if (member.outcome == MemberOutcome::Refused) {
    switch (member.verdict) {
      case MemberVerdict::Absolute:
      case MemberVerdict::DriveOrColon:
      case MemberVerdict::ParentFolder:
        text += "（已拒绝：路径指向目标文件夹以外）";
        break;
      case MemberVerdict::ProgramCode:
        text += "（已拒绝：不能替换程序文件）";
        break;
      case MemberVerdict::SameName:
        text += "（已拒绝：与另一文件同名）";
        break;
      default:
        text += "（已拒绝：文件名无效）";
        break;
    }
  }
  return Text(text);
}

}  // namespace rt
