// CRC-32 (the polynomial of zip and PNG) of a block of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

uint32_t Crc32(const void* data, size_t length);

}  // namespace rt
