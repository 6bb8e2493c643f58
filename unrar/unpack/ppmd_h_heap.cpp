// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "ppmd_h_heap.h"

#include <cstring>

namespace unrar::ppmd {
namespace {
// A free block while the free blocks are glued together; stamp 0 marks it
// free (a used block starts with a non-zero count or frequency there).
struct MARROWFEN_PPMD_MAY_ALIAS GlueNode {
    std::uint16_t stamp;
    std::uint16_t units;
    std::uint32_t next;
    std::uint32_t prev;
};
static_assert(sizeof(GlueNode) == kUnitSize);
} // namespace

void Heap::allocate(std::uint32_t size)
{
    if (m_memory && m_size == size)
        return;
    m_memory.reset();
    // Units end on a 4-byte boundary; one spare unit after them is the
    // sentinel that stops gluing at the end of memory.
    const std::uint32_t alignOffset = 4 - (size & 3);
    m_memory = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t{alignOffset} + size + kUnitSize);
    std::memset(m_memory.get(), 0, alignOffset); // what a successor of 0 would read
    m_size = size;
    m_alignOffset = alignOffset;
}

void Heap::clear()
{
    std::memset(m_freeList, 0, sizeof m_freeList);
    m_text = at(m_alignOffset);
    m_hiUnit = m_text + m_size;
    m_loUnit = m_unitsStart = m_hiUnit - m_size / 8 / kUnitSize * 7 * kUnitSize;
    m_glueCount = 0;
}

void Heap::push(void *block, unsigned sizeClass)
{
    static_cast<FreeLink *>(block)->next = m_freeList[sizeClass];
    m_freeList[sizeClass] = offsetOf(block);
}

void *Heap::pop(unsigned sizeClass)
{
    auto *link = reinterpret_cast<FreeLink *>(at(m_freeList[sizeClass]));
    m_freeList[sizeClass] = link->next;
    return link;
}

// Files a run of free units (at most 128) under the largest class that fits
// and the rest, which is then at most 3 units, under its own.
void Heap::freeRun(std::uint8_t *block, unsigned units)
{
    unsigned sizeClass = unitsClass(units);
    if (classUnits(sizeClass) != units) {
        const unsigned head = classUnits(--sizeClass);
        push(block + head * kUnitSize, units - head - 1);
    }
    push(block, sizeClass);
}

void Heap::splitBlock(void *block, unsigned oldClass, unsigned newClass)
{
    const unsigned kept = classUnits(newClass);
    freeRun(static_cast<std::uint8_t *>(block) + kept * kUnitSize, classUnits(oldClass) - kept);
}

void Heap::glueFreeBlocks()
{
    const auto node = [this](std::uint32_t offset) { return reinterpret_cast<GlueNode *>(at(offset)); };
    const std::uint32_t head = m_alignOffset + m_size;
    m_glueCount = 255;

    // One ring of all free blocks through the sentinel, the last listed first.
    std::uint32_t n = head;
    for (unsigned c = 0; c < kSizeClasses; ++c) {
        std::uint32_t next = m_freeList[c];
        m_freeList[c] = 0;
        while (next != 0) {
            GlueNode *block = node(next);
            const std::uint32_t following = reinterpret_cast<FreeLink *>(block)->next;
            block->next = n;
            node(n)->prev = next;
            n = next;
            block->stamp = 0;
            block->units = static_cast<std::uint16_t>(classUnits(c));
            next = following;
        }
    }
    node(head)->stamp = 1;
    node(head)->next = n;
    node(n)->prev = head;
    if (m_loUnit != m_hiUnit)
        reinterpret_cast<GlueNode *>(m_loUnit)->stamp = 1;

    // Each free block swallows the free blocks right behind it.
    while (n != head) {
        GlueNode *block = node(n);
        std::uint32_t units = block->units;
        for (;;) {
            GlueNode *behind = node(n + units * kUnitSize);
            units += behind->units;
            if (behind->stamp != 0 || units >= 0x10000)
                break;
            node(behind->prev)->next = behind->next;
            node(behind->next)->prev = behind->prev;
            block->units = static_cast<std::uint16_t>(units);
        }
        n = block->next;
    }

    // File the glued blocks again, in pieces of at most 128 units.
    for (n = node(head)->next; n != head;) {
        GlueNode *block = node(n);
        n = block->next;
        auto *bytes = reinterpret_cast<std::uint8_t *>(block);
        unsigned units = block->units;
        for (; units > 128; units -= 128, bytes += 128 * kUnitSize)
            push(bytes, kSizeClasses - 1);
        freeRun(bytes, units);
    }
}

void *Heap::allocUnitsRare(unsigned sizeClass)
{
    if (m_glueCount == 0) {
        glueFreeBlocks();
        if (m_freeList[sizeClass] != 0)
            return pop(sizeClass);
    }
    unsigned larger = sizeClass;
    do {
        if (++larger == kSizeClasses) {
            // No free block is large enough: take memory from the text's side.
            const std::uint32_t bytes = classUnits(sizeClass) * kUnitSize;
            --m_glueCount;
            if (static_cast<std::uint32_t>(m_unitsStart - m_text) <= bytes)
                return nullptr;
            m_unitsStart -= bytes;
            return m_unitsStart;
        }
    } while (m_freeList[larger] == 0);
    void *block = pop(larger);
    splitBlock(block, larger, sizeClass);
    return block;
}

void *Heap::allocUnits(unsigned sizeClass)
{
    if (m_freeList[sizeClass] != 0)
        return pop(sizeClass);
    const std::uint32_t bytes = classUnits(sizeClass) * kUnitSize;
    if (bytes <= static_cast<std::uint32_t>(m_hiUnit - m_loUnit)) {
        void *block = m_loUnit;
        m_loUnit += bytes;
        return block;
    }
    return allocUnitsRare(sizeClass);
}

void *Heap::allocContext()
{
    if (m_hiUnit != m_loUnit)
        return m_hiUnit -= kUnitSize;
    if (m_freeList[0] != 0)
        return pop(0);
    return allocUnitsRare(0);
}

void *Heap::shrinkUnits(void *block, unsigned oldUnits, unsigned newUnits)
{
    const unsigned oldClass = unitsClass(oldUnits);
    const unsigned newClass = unitsClass(newUnits);
    if (oldClass == newClass)
        return block;
    if (m_freeList[newClass] != 0) {
        void *moved = pop(newClass);
        std::memcpy(moved, block, newUnits * kUnitSize);
        push(block, oldClass);
        return moved;
    }
    splitBlock(block, oldClass, newClass);
    return block;
}

} // namespace unrar::ppmd
