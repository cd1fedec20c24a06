#include "runtime/window/unpacker.h"

#include "runtime/files/file_system.h"
#include "runtime/window/window_state.h"

namespace rt {

using detail::FindUnit;
using detail::LiveUnit;

UnpackReport Unpack(uint32_t unpacker, std::string_view archive, std::string_view target, const UnpackLimits& limits) {
  return UnpackArchive(
      NativePath(archive), NativePath(target),
      [unpacker](const MemberReport& member) {
        LiveUnit* unit = FindUnit(unpacker);
        if (!unit || unit->def->kind != UnitKind::Unpacker) return;
        {
          std::lock_guard<std::mutex> lock(detail::State().captionLock);
          unit->caption = MemberProgressText(member);
        }
        detail::OnWindowThread([unit] { detail::Dispatch(*unit, kEventProgress); });
      },
      limits);
}

Text UnpackerText(uint32_t unpacker) {
  const LiveUnit* unit = FindUnit(unpacker);
  if (!unit) return Text();
  std::lock_guard<std::mutex> lock(detail::State().captionLock);
  return unit->caption;
}

}  // namespace rt
