// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// PPMd variant H: the context model RAR 2.9/3.x uses for its PPM blocks and
// 7-Zip for its PPMd method. Both drive it with their own range coder, so
// decodeSymbol() takes the range decoder as a template parameter, which must
// offer
//     std::uint32_t threshold(std::uint32_t total); // scaled count, >= total when invalid
//     void decode(std::uint32_t start, std::uint32_t size);
//     unsigned decodeBit(std::uint32_t size0);      // total 1 << 14
// Any sequence of symbols drives the model through valid states, so damaged
// data can only decode to wrong bytes or be refused, never corrupt memory.
#pragma once

#include "ppmd_h_heap.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace unrar::ppmd {

struct MARROWFEN_PPMD_MAY_ALIAS State {
    std::uint8_t symbol;
    std::uint8_t freq;
    std::uint16_t successorLow; // 16-bit halves keep the state 6 bytes
    std::uint16_t successorHigh;

    std::uint32_t successor() const { return successorLow | std::uint32_t{successorHigh} << 16; }
    void setSuccessor(std::uint32_t offset)
    {
        successorLow = static_cast<std::uint16_t>(offset);
        successorHigh = static_cast<std::uint16_t>(offset >> 16);
    }
};
static_assert(sizeof(State) == 6);

struct MARROWFEN_PPMD_MAY_ALIAS Context {
    std::uint16_t numStats;
    std::uint16_t summFreq; // with stats: the only state of a binary context
    std::uint32_t stats;
    std::uint32_t suffix;

    State *oneState() { return reinterpret_cast<State *>(&summFreq); }
};
static_assert(sizeof(Context) == kUnitSize);

// Secondary escape estimation for contexts with masked symbols.
struct See {
    std::uint16_t summ;
    std::uint8_t shift;
    std::uint8_t count;

    std::uint32_t takeMean()
    {
        const unsigned r = summ >> shift;
        summ = static_cast<std::uint16_t>(summ - r);
        return r + (r == 0);
    }
    void update()
    {
        if (shift < kPeriodBits && --count == 0) {
            summ = static_cast<std::uint16_t>(summ << 1);
            count = static_cast<std::uint8_t>(3 << shift++);
        }
    }
    static constexpr unsigned kPeriodBits = 7;
};

class Model {
public:
    static constexpr unsigned kMinOrder = 2;
    static constexpr unsigned kMaxOrder = 64;
    static constexpr unsigned kBinScaleBits = 14;

    // Sizes the memory (kept when unchanged) and starts an empty model.
    // Throws std::bad_alloc.
    void start(unsigned maxOrder, std::uint32_t memoryBytes);
    // The next symbol, or -1 when the data does not decode.
    template<class RangeDecoder>
    int decodeSymbol(RangeDecoder &rc);

private:
    static constexpr unsigned kMaxFreq = 124;
    static constexpr unsigned kIntBits = 7;
    static constexpr std::uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

    static unsigned highBitsFlag(unsigned symbol) { return symbol >= 0x40 ? 8 : 0; }
    static unsigned mean(unsigned prob) { return (prob + (1 << (See::kPeriodBits - 2))) >> See::kPeriodBits; }

    Context *context(std::uint32_t offset) const { return reinterpret_cast<Context *>(m_heap.at(offset)); }
    State *stats(const Context *c) const { return reinterpret_cast<State *>(m_heap.at(c->stats)); }
    std::uint32_t offsetOf(const void *p) const { return m_heap.offsetOf(p); }

    void restart();
    Context *createSuccessors(bool skip);
    void updateModel();
    void rescale();
    void nextContext();
    void updateFirst();
    void updateOther();
    void updateEscaped();
    void updateBinary();
    std::uint16_t &binaryProbability();
    See *escapeEstimate(unsigned numMasked, std::uint32_t &escFreq);

    Heap m_heap;
    Context *m_minContext = nullptr;
    Context *m_maxContext = nullptr;
    State *m_foundState = nullptr;
    unsigned m_orderFall = 0;
    unsigned m_initEsc = 0;
    unsigned m_prevSuccess = 0;
    unsigned m_maxOrder = 0;
    unsigned m_hiBitsFlag = 0;
    std::int32_t m_runLength = 0;
    std::int32_t m_initRunLength = 0;
    See m_dummySee{};
    See m_see[25][16]{};
    std::uint16_t m_binSumm[128][64]{};
};

template<class RangeDecoder>
int Model::decodeSymbol(RangeDecoder &rc)
{
    bool masked[256];
    if (m_minContext->numStats != 1) {
        State *s = stats(m_minContext);
        const std::uint32_t count = rc.threshold(m_minContext->summFreq);
        std::uint32_t hiCnt = s->freq;
        if (count < hiCnt) {
            rc.decode(0, s->freq);
            m_foundState = s;
            const int symbol = s->symbol;
            updateFirst();
            return symbol;
        }
        m_prevSuccess = 0;
        for (unsigned i = m_minContext->numStats - 1; i > 0; --i) {
            ++s;
            hiCnt += s->freq;
            if (hiCnt > count) {
                rc.decode(hiCnt - s->freq, s->freq);
                m_foundState = s;
                const int symbol = s->symbol;
                updateOther();
                return symbol;
            }
        }
        if (count >= m_minContext->summFreq)
            return -1;
        m_hiBitsFlag = highBitsFlag(m_foundState->symbol);
        rc.decode(hiCnt, m_minContext->summFreq - hiCnt);
        std::fill(std::begin(masked), std::end(masked), false);
        for (const State *t = stats(m_minContext); t <= s; ++t)
            masked[t->symbol] = true;
    } else {
        std::uint16_t &prob = binaryProbability();
        if (rc.decodeBit(prob) == 0) {
            prob = static_cast<std::uint16_t>(prob + (1 << kIntBits) - mean(prob));
            m_foundState = m_minContext->oneState();
            const int symbol = m_foundState->symbol;
            updateBinary();
            return symbol;
        }
        prob = static_cast<std::uint16_t>(prob - mean(prob));
        m_initEsc = kExpEscape[prob >> 10];
        std::fill(std::begin(masked), std::end(masked), false);
        masked[m_minContext->oneState()->symbol] = true;
        m_prevSuccess = 0;
    }
    for (;;) {
        // Escape to the shorter contexts until one holds unseen symbols.
        const unsigned numMasked = m_minContext->numStats;
        do {
            ++m_orderFall;
            if (m_minContext->suffix == 0)
                return -1;
            m_minContext = context(m_minContext->suffix);
        } while (m_minContext->numStats == numMasked);
        if (m_minContext->numStats < numMasked)
            return -1; // a shorter context always holds the longer one's symbols

        State *candidates[256];
        const unsigned unmasked = m_minContext->numStats - numMasked;
        unsigned found = 0;
        std::uint32_t hiCnt = 0;
        State *s = stats(m_minContext);
        for (const State *end = s + m_minContext->numStats; found != unmasked && s != end; ++s) {
            if (!masked[s->symbol]) {
                hiCnt += s->freq;
                candidates[found++] = s;
            }
        }
        if (found != unmasked)
            return -1;

        std::uint32_t freqSum = 0;
        See *see = escapeEstimate(numMasked, freqSum);
        freqSum += hiCnt;
        const std::uint32_t count = rc.threshold(freqSum);
        if (count < hiCnt) {
            State **pick = candidates;
            std::uint32_t low = 0;
            while (low + (*pick)->freq <= count)
                low += (*pick++)->freq;
            s = *pick;
            rc.decode(low, s->freq);
            see->update();
            m_foundState = s;
            const int symbol = s->symbol;
            updateEscaped();
            return symbol;
        }
        if (count >= freqSum)
            return -1;
        rc.decode(hiCnt, freqSum - hiCnt);
        see->summ = static_cast<std::uint16_t>(see->summ + freqSum);
        for (unsigned i = 0; i < found; ++i)
            masked[candidates[i]->symbol] = true;
    }
}

} // namespace unrar::ppmd
