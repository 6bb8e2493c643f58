// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// CRC-32 as used by RAR headers and data (zlib/PKZIP polynomial).
#pragma once

#include <cstddef>
#include <cstdint>

namespace unrar {

std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t crc = 0);

} // namespace unrar
