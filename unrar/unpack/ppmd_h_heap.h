// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The memory of a PPMd var. H model: a text area growing up from the start
// and 12-byte units handed out from the rest, in blocks of 38 size classes
// with a free list each. Encoder and decoder must run out of memory at the
// same symbol, so sizes, order of reuse and the gluing of free blocks follow
// the format exactly. Inside, everything is addressed by 32-bit offsets from
// the start; offset 0 means none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The heap's bytes are reused as contexts, symbol tables and free-list nodes.
#if defined(__GNUC__)
#define MARROWFEN_PPMD_MAY_ALIAS __attribute__((may_alias))
#else
#define MARROWFEN_PPMD_MAY_ALIAS
#endif

namespace unrar::ppmd {

inline constexpr unsigned kUnitSize = 12;
inline constexpr unsigned kSizeClasses = 38;

struct UnitTables {
    std::uint8_t classUnits[kSizeClasses]; // units of each size class
    std::uint8_t unitsClass[128];          // smallest class holding n+1 units
};

constexpr UnitTables makeUnitTables()
{
    UnitTables t{};
    unsigned units = 0;
    for (unsigned c = 0; c < kSizeClasses; ++c) {
        units += c < 12 ? c / 4 + 1 : 4; // steps of 1, 2, 3, then 4 units
        t.classUnits[c] = static_cast<std::uint8_t>(units);
    }
    for (unsigned n = 1, c = 0; n <= 128; ++n) {
        if (t.classUnits[c] < n)
            ++c;
        t.unitsClass[n - 1] = static_cast<std::uint8_t>(c);
    }
    return t;
}
inline constexpr UnitTables kUnits = makeUnitTables();

inline unsigned classUnits(unsigned sizeClass)
{
    return kUnits.classUnits[sizeClass];
}
inline unsigned unitsClass(unsigned units)
{
    return kUnits.unitsClass[units - 1];
}

class Heap {
public:
    static constexpr std::uint32_t kMinSize = 2048;

    Heap() = default;
    Heap(const Heap &) = delete;
    Heap &operator=(const Heap &) = delete;

    // Keeps the block when the size is unchanged. Throws std::bad_alloc.
    void allocate(std::uint32_t size);
    // Forgets everything: empty text, all units free in one piece.
    void clear();

    std::uint8_t *at(std::uint32_t offset) const { return m_memory.get() + offset; }
    std::uint32_t offsetOf(const void *p) const
    {
        return static_cast<std::uint32_t>(static_cast<const std::uint8_t *>(p) - m_memory.get());
    }

    // Text: the symbols seen, which successors point into until a context exists.
    std::uint8_t *textEnd() const { return m_text; }
    // false: the text has met the units, the model must restart.
    bool appendText(std::uint8_t symbol)
    {
        *m_text++ = symbol;
        return m_text < m_unitsStart;
    }
    void dropTextByte() { --m_text; }

    // Both return null when memory is exhausted.
    void *allocContext();                 // one unit, from the top end first
    void *allocUnits(unsigned sizeClass); // from the bottom end first
    void *shrinkUnits(void *block, unsigned oldUnits, unsigned newUnits);
    void freeUnits(void *block, unsigned sizeClass) { push(block, sizeClass); }

private:
    struct MARROWFEN_PPMD_MAY_ALIAS FreeLink {
        std::uint32_t next;
    };
    void push(void *block, unsigned sizeClass);
    void *pop(unsigned sizeClass);
    void splitBlock(void *block, unsigned oldClass, unsigned newClass);
    void freeRun(std::uint8_t *block, unsigned units);
    void glueFreeBlocks();
    void *allocUnitsRare(unsigned sizeClass);

    std::unique_ptr<std::uint8_t[]> m_memory; // offsets count from its start
    std::uint32_t m_size = 0;
    std::uint32_t m_alignOffset = 0;
    std::uint8_t *m_text = nullptr;
    std::uint8_t *m_unitsStart = nullptr;
    std::uint8_t *m_loUnit = nullptr;
    std::uint8_t *m_hiUnit = nullptr;
    std::uint32_t m_glueCount = 0;
    std::uint32_t m_freeList[kSizeClasses] = {};
};

} // namespace unrar::ppmd
