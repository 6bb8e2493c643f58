// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The history ring of the RAR 1.5 to 2.9 decoders: a power-of-two number of
// bytes addressed by stream position. Its memory comes zeroed from calloc,
// which for large blocks takes fresh pages from the system and so touches
// only what the stream writes: a member that declares a large size but
// ends early costs what it wrote, not what it declared.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace unrar {

template<typename Byte>
class Ring {
    static_assert(sizeof(Byte) == 1);

public:
    std::size_t size() const { return m_size; }
    std::size_t mask() const { return m_size - 1; }
    bool empty() const { return m_size == 0; }
    Byte *data() { return m_data.get(); }
    Byte &operator[](std::uint64_t pos) { return m_data.get()[pos & mask()]; }

    // At least `size` bytes (a power of two): grown keeping the bytes before
    // stream position `end` when the stream goes on (keep), else fresh.
    void fit(std::size_t size, bool keep, std::uint64_t end)
    {
        if (m_size >= size)
            return;
        if (keep && m_size)
            grow(size, end);
        else
            reset(size);
    }

    // A fresh ring of `size` bytes (a power of two); the old one goes
    // first, so peak memory stays one ring. Throws std::bad_alloc.
    void reset(std::size_t size)
    {
        m_data.reset();
        m_size = 0;
        m_data.reset(allocate(size));
        m_size = size;
    }

    // A larger ring (a power of two) in which the bytes before stream
    // position `end` that this one still holds keep their positions.
    void grow(std::size_t size, std::uint64_t end)
    {
        std::unique_ptr<Byte, Free> larger(allocate(size));
        const std::uint64_t kept = std::min<std::uint64_t>(end, m_size);
        for (std::uint64_t p = end - kept; p < end; ++p)
            larger.get()[p & (size - 1)] = (*this)[p];
        m_data = std::move(larger);
        m_size = size;
    }

private:
    struct Free {
        void operator()(Byte *p) const { std::free(p); }
    };
    static Byte *allocate(std::size_t size)
    {
        auto *p = static_cast<Byte *>(std::calloc(size, 1));
        if (!p)
            throw std::bad_alloc();
        return p;
    }

    std::unique_ptr<Byte, Free> m_data;
    std::size_t m_size = 0;
};

} // namespace unrar
