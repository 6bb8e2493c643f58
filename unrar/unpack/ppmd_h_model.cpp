// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "ppmd_h_model.h"

#include <cstring>
#include <utility>

namespace unrar::ppmd {
namespace {
constexpr std::uint16_t kInitBinEscape[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};

struct CountTables {
    std::uint8_t seeRow[256];    // SEE row for n+1 unmasked symbols
    std::uint8_t binColumn[256]; // binary-context column offset for a suffix of n+1 symbols
};

constexpr CountTables makeCountTables()
{
    CountTables t{};
    for (unsigned n = 0, row = 0, left = 1; n < 256; ++n) {
        if (n < 3) {
            t.seeRow[n] = static_cast<std::uint8_t>(n);
            row = 3;
            continue;
        }
        t.seeRow[n] = static_cast<std::uint8_t>(row);
        if (--left == 0) // rows grow one symbol wider each time
            left = ++row - 2;
    }
    for (unsigned n = 0; n < 256; ++n)
        t.binColumn[n] = static_cast<std::uint8_t>(n == 0 ? 0 : n == 1 ? 2 : n < 11 ? 4 : 6);
    return t;
}
constexpr CountTables kCounts = makeCountTables();
static_assert(kCounts.seeRow[255] < 25);

// The state of symbol among count states, or null when none holds it.
State *findSymbol(State *first, unsigned count, unsigned symbol)
{
    for (State *s = first, *end = first + count; s != end; ++s)
        if (s->symbol == symbol)
            return s;
    return nullptr;
}
} // namespace

void Model::start(unsigned maxOrder, std::uint32_t memoryBytes)
{
    m_heap.allocate(memoryBytes);
    m_maxOrder = maxOrder;
    restart();
    m_dummySee = {0, See::kPeriodBits, 64};
}

void Model::restart()
{
    m_heap.clear();
    m_orderFall = m_maxOrder;
    m_runLength = m_initRunLength = -static_cast<std::int32_t>(std::min(m_maxOrder, 12u)) - 1;
    m_prevSuccess = 0;

    auto *root = static_cast<Context *>(m_heap.allocContext());
    auto *symbols = static_cast<State *>(m_heap.allocUnits(kSizeClasses - 1));
    root->suffix = 0;
    root->numStats = 256;
    root->summFreq = 256 + 1;
    root->stats = offsetOf(symbols);
    for (unsigned i = 0; i < 256; ++i)
        symbols[i] = State{static_cast<std::uint8_t>(i), 1, 0, 0};
    m_minContext = m_maxContext = root;
    m_foundState = symbols;

    for (unsigned i = 0; i < 128; ++i)
        for (unsigned k = 0; k < 8; ++k)
            for (unsigned m = 0; m < 64; m += 8)
                m_binSumm[i][k + m] = static_cast<std::uint16_t>((1 << kBinScaleBits) - kInitBinEscape[k] / (i + 2));
    for (unsigned i = 0; i < 25; ++i)
        for (See &see : m_see[i])
            see = See{static_cast<std::uint16_t>((5 * i + 10) << (See::kPeriodBits - 4)), See::kPeriodBits - 4, 4};
}

std::uint16_t &Model::binaryProbability()
{
    const State *s = m_minContext->oneState();
    m_hiBitsFlag = highBitsFlag(m_foundState->symbol);
    return m_binSumm[s->freq - 1][m_prevSuccess + kCounts.binColumn[context(m_minContext->suffix)->numStats - 1]
                                  + m_hiBitsFlag + 2 * highBitsFlag(s->symbol) + ((m_runLength >> 26) & 0x20)];
}

See *Model::escapeEstimate(unsigned numMasked, std::uint32_t &escFreq)
{
    const unsigned numStats = m_minContext->numStats;
    if (numStats == 256) {
        escFreq = 1;
        return &m_dummySee;
    }
    const unsigned unmasked = numStats - numMasked;
    See *see = m_see[kCounts.seeRow[unmasked - 1]]
        + (unmasked < unsigned{context(m_minContext->suffix)->numStats} - numStats)
        + 2 * (m_minContext->summFreq < 11 * numStats) + 4 * (numMasked > unmasked) + m_hiBitsFlag;
    escFreq = see->takeMean();
    return see;
}

// Gives the contexts between the one the symbol was found in and the
// longest one a successor for it, creating one-symbol contexts as needed.
Context *Model::createSuccessors(bool skip)
{
    const unsigned symbol = m_foundState->symbol;
    const std::uint32_t upBranch = m_foundState->successor();
    State *chain[kMaxOrder];
    unsigned chained = 0;
    if (!skip)
        chain[chained++] = m_foundState;

    Context *c = m_minContext;
    while (c->suffix) {
        c = context(c->suffix);
        State *s = c->numStats != 1 ? findSymbol(stats(c), c->numStats, symbol) : c->oneState();
        if (!s)
            return nullptr; // not a model this format builds
        if (s->successor() != upBranch) {
            c = context(s->successor());
            if (chained == 0)
                return c;
            break;
        }
        if (chained == kMaxOrder)
            return nullptr;
        chain[chained++] = s;
    }
    if (chained == 0)
        return nullptr;

    State up{};
    up.symbol = *m_heap.at(upBranch);
    up.setSuccessor(upBranch + 1);
    if (c->numStats == 1) {
        up.freq = c->oneState()->freq;
    } else {
        const State *s = findSymbol(stats(c), c->numStats, up.symbol);
        if (!s)
            return nullptr;
        const std::uint32_t cf = s->freq - 1u;
        const std::uint32_t s0 = c->summFreq - c->numStats - cf;
        if (2 * cf > s0 && 2 * s0 == 0)
            return nullptr;
        up.freq = static_cast<std::uint8_t>(1 + (2 * cf <= s0 ? 5 * cf > s0 : (2 * cf + 3 * s0 - 1) / (2 * s0)));
    }

    do {
        auto *child = static_cast<Context *>(m_heap.allocContext());
        if (!child)
            return nullptr;
        child->numStats = 1;
        *child->oneState() = up;
        child->suffix = offsetOf(c);
        chain[--chained]->setSuccessor(offsetOf(child));
        c = child;
    } while (chained != 0);
    return c;
}

void Model::updateModel()
{
    const std::uint8_t symbol = m_foundState->symbol;
    const unsigned foundFreq = m_foundState->freq;
    std::uint32_t foundSuccessor = m_foundState->successor();

    if (foundFreq < kMaxFreq / 4 && m_minContext->suffix != 0) {
        Context *c = context(m_minContext->suffix);
        if (c->numStats == 1) {
            State *s = c->oneState();
            if (s->freq < 32)
                ++s->freq;
        } else if (State *s = findSymbol(stats(c), c->numStats, symbol)) {
            if (s != stats(c) && s[0].freq >= s[-1].freq) {
                std::swap(s[0], s[-1]);
                --s;
            }
            if (s->freq < kMaxFreq - 9) {
                s->freq = static_cast<std::uint8_t>(s->freq + 2);
                c->summFreq = static_cast<std::uint16_t>(c->summFreq + 2);
            }
        }
    }

    if (m_orderFall == 0) {
        m_minContext = m_maxContext = createSuccessors(true);
        if (!m_minContext)
            return restart();
        m_foundState->setSuccessor(offsetOf(m_minContext));
        return;
    }

    if (!m_heap.appendText(symbol))
        return restart();
    std::uint32_t successor = offsetOf(m_heap.textEnd());
    if (foundSuccessor) {
        if (foundSuccessor <= successor) { // still points into the text
            Context *created = createSuccessors(false);
            if (!created)
                return restart();
            foundSuccessor = offsetOf(created);
        }
        if (--m_orderFall == 0) {
            successor = foundSuccessor;
            if (m_maxContext != m_minContext)
                m_heap.dropTextByte();
        }
    } else {
        m_foundState->setSuccessor(successor);
        foundSuccessor = offsetOf(m_minContext);
    }

    // Add the symbol to every longer context that escaped past it.
    const unsigned ns = m_minContext->numStats;
    const std::uint32_t s0 = m_minContext->summFreq - ns - (foundFreq - 1);
    for (Context *c = m_maxContext; c != m_minContext; c = context(c->suffix)) {
        const unsigned ns1 = c->numStats;
        if (ns1 != 1) {
            if ((ns1 & 1) == 0) { // the table is full: one unit more
                const unsigned oldUnits = ns1 >> 1;
                const unsigned sizeClass = unitsClass(oldUnits);
                if (sizeClass != unitsClass(oldUnits + 1)) {
                    void *grown = m_heap.allocUnits(sizeClass + 1);
                    if (!grown)
                        return restart();
                    State *old = stats(c);
                    std::memcpy(grown, old, oldUnits * kUnitSize);
                    m_heap.freeUnits(old, sizeClass);
                    c->stats = offsetOf(grown);
                }
            }
            c->summFreq = static_cast<std::uint16_t>(c->summFreq + (2 * ns1 < ns)
                                                     + 2 * ((4 * ns1 <= ns) & (c->summFreq <= 8 * ns1)));
        } else {
            auto *table = static_cast<State *>(m_heap.allocUnits(0));
            if (!table)
                return restart();
            *table = *c->oneState();
            c->stats = offsetOf(table);
            table->freq = static_cast<std::uint8_t>(table->freq < kMaxFreq / 4 - 1 ? table->freq * 2 : kMaxFreq - 4);
            c->summFreq = static_cast<std::uint16_t>(table->freq + m_initEsc + (ns > 3));
        }
        std::uint32_t cf = 2 * foundFreq * (c->summFreq + 6u);
        const std::uint32_t sf = s0 + c->summFreq;
        if (cf < 6 * sf) {
            cf = 1 + (cf > sf) + (cf >= 4 * sf);
            c->summFreq = static_cast<std::uint16_t>(c->summFreq + 3);
        } else {
            cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
            c->summFreq = static_cast<std::uint16_t>(c->summFreq + cf);
        }
        State *added = stats(c) + ns1;
        added->setSuccessor(successor);
        added->symbol = symbol;
        added->freq = static_cast<std::uint8_t>(cf);
        c->numStats = static_cast<std::uint16_t>(ns1 + 1);
    }
    m_maxContext = m_minContext = context(foundSuccessor);
}

// Halves the frequencies of the current context, keeping its table sorted
// and dropping symbols that fall to zero.
void Model::rescale()
{
    State *first = stats(m_minContext);
    State *s = m_foundState;
    const State found = *s; // the found symbol moves to the front
    for (; s != first; --s)
        s[0] = s[-1];
    *s = found;

    const unsigned numStats = m_minContext->numStats;
    unsigned escFreq = m_minContext->summFreq - s->freq;
    const unsigned adder = m_orderFall != 0;
    s->freq = static_cast<std::uint8_t>((s->freq + 4 + adder) >> 1);
    unsigned sumFreq = s->freq;
    for (unsigned i = numStats - 1; i > 0; --i) {
        ++s;
        escFreq -= s->freq;
        s->freq = static_cast<std::uint8_t>((s->freq + adder) >> 1);
        sumFreq += s->freq;
        if (s[0].freq > s[-1].freq) {
            const State moved = *s;
            State *t = s;
            do
                t[0] = t[-1];
            while (--t != first && moved.freq > t[-1].freq);
            *t = moved;
        }
    }

    if (s->freq == 0) {
        unsigned zeros = 0;
        do
            ++zeros;
        while ((--s)->freq == 0);
        escFreq += zeros;
        const unsigned kept = numStats - zeros;
        m_minContext->numStats = static_cast<std::uint16_t>(kept);
        if (kept == 1) {
            State only = *first;
            do {
                only.freq = static_cast<std::uint8_t>(only.freq - (only.freq >> 1));
                escFreq >>= 1;
            } while (escFreq > 1);
            m_heap.freeUnits(first, unitsClass((numStats + 1) >> 1));
            *(m_foundState = m_minContext->oneState()) = only;
            return;
        }
        const unsigned oldUnits = (numStats + 1) >> 1;
        const unsigned newUnits = (kept + 1) >> 1;
        if (oldUnits != newUnits)
            m_minContext->stats = offsetOf(m_heap.shrinkUnits(first, oldUnits, newUnits));
    }
    m_minContext->summFreq = static_cast<std::uint16_t>(sumFreq + escFreq - (escFreq >> 1));
    m_foundState = stats(m_minContext);
}

void Model::nextContext()
{
    const std::uint32_t successor = m_foundState->successor();
    if (m_orderFall == 0 && successor > offsetOf(m_heap.textEnd()))
        m_minContext = m_maxContext = context(successor);
    else
        updateModel();
}

void Model::updateFirst()
{
    m_prevSuccess = 2 * m_foundState->freq > m_minContext->summFreq;
    m_runLength += static_cast<std::int32_t>(m_prevSuccess);
    m_minContext->summFreq = static_cast<std::uint16_t>(m_minContext->summFreq + 4);
    m_foundState->freq = static_cast<std::uint8_t>(m_foundState->freq + 4);
    if (m_foundState->freq > kMaxFreq)
        rescale();
    nextContext();
}

void Model::updateOther()
{
    State *s = m_foundState;
    s->freq = static_cast<std::uint8_t>(s->freq + 4);
    m_minContext->summFreq = static_cast<std::uint16_t>(m_minContext->summFreq + 4);
    if (s[0].freq > s[-1].freq) {
        std::swap(s[0], s[-1]);
        m_foundState = --s;
        if (s->freq > kMaxFreq)
            rescale();
    }
    nextContext();
}

void Model::updateEscaped()
{
    m_minContext->summFreq = static_cast<std::uint16_t>(m_minContext->summFreq + 4);
    m_foundState->freq = static_cast<std::uint8_t>(m_foundState->freq + 4);
    if (m_foundState->freq > kMaxFreq)
        rescale();
    m_runLength = m_initRunLength;
    updateModel();
}

void Model::updateBinary()
{
    m_foundState->freq = static_cast<std::uint8_t>(m_foundState->freq + (m_foundState->freq < 128));
    m_prevSuccess = 1;
    ++m_runLength;
    nextContext();
}

} // namespace unrar::ppmd
