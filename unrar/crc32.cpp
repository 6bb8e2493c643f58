#include "crc32.h"

#include <array>

namespace unrar {
namespace {

// Slicing-by-8: member data is hashed as it is unpacked, so the CRC must
// keep up with the fastest decoder.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (std::size_t s = 1; s < 8; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = makeTables();

} // namespace

std::uint32_t crc32(const std::uint8_t *data, std::size_t size, std::uint32_t crc)
{
    crc = ~crc;
    for (; size >= 8; data += 8, size -= 8) {
        const std::uint32_t low = crc ^ (static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8
                                         | static_cast<std::uint32_t>(data[2]) << 16
                                         | static_cast<std::uint32_t>(data[3]) << 24);
        crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF]
            ^ kTables[4][low >> 24] ^ kTables[3][data[4]] ^ kTables[2][data[5]] ^ kTables[1][data[6]]
            ^ kTables[0][data[7]];
    }
    for (; size > 0; ++data, --size)
        crc = kTables[0][(crc ^ *data) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace unrar
