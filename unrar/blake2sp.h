// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// BLAKE2sp, the hash RAR 5 can store for a member instead of its CRC32:
// eight BLAKE2s leaves taking 64-byte blocks in turn, and a root over their
// digests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace unrar {

class Blake2s {
public:
    // node: the leaf's index, or the root's depth marker; lastNode marks the
    // last leaf and the root, as the tree hashing rules require.
    Blake2s(std::uint32_t nodeOffset, std::uint8_t nodeDepth, bool lastNode);
    void update(const std::uint8_t *data, std::size_t size);
    std::array<std::uint8_t, 32> final();

private:
    void compress(const std::uint8_t *block, bool last);

    std::array<std::uint32_t, 8> m_h{};
    std::uint64_t m_counter = 0;
    std::array<std::uint8_t, 64> m_buffer{};
    std::size_t m_buffered = 0;
    bool m_lastNode;
};

class Blake2sp {
public:
    Blake2sp();
    void update(const std::uint8_t *data, std::size_t size);
    std::array<std::uint8_t, 32> final();

private:
    static constexpr int kLeaves = 8;
    std::array<Blake2s, kLeaves> m_leaves;
    std::uint64_t m_position = 0;
};

} // namespace unrar
