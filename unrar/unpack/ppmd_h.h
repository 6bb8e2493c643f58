// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// PPMd variant H, the model RAR 2.9/3.x uses for its PPM blocks, with RAR's
// range decoder. The RAR 2.9 decoder parses the block headers and the escape
// sequences; this decodes the bytes.
#pragma once

#include "ppmd_rar_range_decoder.h"

#include <cstddef>
#include <memory>

namespace unrar {
namespace ppmd {
class Model;
}

class PpmdH {
public:
    // RAR's memory byte allows 1 to 256 MiB.
    static constexpr std::size_t kMaxMemory = std::size_t{256} << 20;
    // What models get in fuzzing builds.
    static constexpr std::size_t kFuzzingMemory = std::size_t{1} << 20;

    PpmdH();
    ~PpmdH();
    PpmdH(const PpmdH &) = delete;
    PpmdH &operator=(const PpmdH &) = delete;

    // Allocates memoryBytes for the model (reallocating only when the size
    // changes) and starts a new model of maxOrder (2 to 64). false, and no
    // model, when either is out of range. Throws std::bad_alloc.
    bool restart(unsigned maxOrder, std::size_t memoryBytes);
    // A block may continue the current model without restart.
    bool hasModel() const { return m_usable; }
    // The range decoder starts at the current (byte-aligned) position: 4 bytes.
    void startDecoder(BitInput &in) { m_decoder.start(in); }
    // The next byte, or -1 when the data does not decode (the model is then
    // unusable until restart).
    int decodeChar(BitInput &in);

private:
    std::unique_ptr<ppmd::Model> m_model;
    ppmd::RarRangeDecoder m_decoder;
    bool m_usable = false;
};

} // namespace unrar
