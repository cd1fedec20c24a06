#include "update/download_limits.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "update/signed_versions.h"

ArchiveTransferLimits ArchiveDownloadLimits(std::string_view publishedSize, size_t kindLimit) {
  const std::optional<uint64_t> named = ParseWholeNumber(publishedSize);
  const uint64_t size = named ? std::min<uint64_t>(*named, kindLimit) : kindLimit;
  const uint64_t seconds = size / kSlowestLinkBytesPerSecond + 1 + kArchiveIdleSeconds;
  return {kArchiveIdleSeconds, static_cast<int>(std::min<uint64_t>(seconds, INT32_MAX)), static_cast<size_t>(size)};
}
