// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "ppmd_h.h"

#include "ppmd_h_model.h"

#include <algorithm>

namespace unrar {

PpmdH::PpmdH() = default;
PpmdH::~PpmdH() = default;

bool PpmdH::restart(unsigned maxOrder, std::size_t memoryBytes)
{
    m_usable = false;
    if (maxOrder < ppmd::Model::kMinOrder || maxOrder > ppmd::Model::kMaxOrder || memoryBytes < ppmd::Heap::kMinSize
        || memoryBytes > kMaxMemory)
        return false;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Under AddressSanitizer freeing a block costs an eighth of its size in
    // writes, whatever was used of it: fuzzed streams, which ask for any size,
    // get small models (and so also reach the restart when memory runs out).
    memoryBytes = std::min(memoryBytes, kFuzzingMemory);
#endif
    if (!m_model)
        m_model = std::make_unique<ppmd::Model>();
    m_model->start(maxOrder, static_cast<std::uint32_t>(memoryBytes));
    m_usable = true;
    return true;
}

int PpmdH::decodeChar(BitInput &in)
{
    if (!m_usable)
        return -1;
    m_decoder.use(in);
    const int symbol = m_model->decodeSymbol(m_decoder);
    if (symbol < 0 || m_decoder.failed()) {
        m_usable = false;
        return -1;
    }
    return symbol;
}

} // namespace unrar
