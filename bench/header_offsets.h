// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Where the headers of a RAR 4 or RAR 5 archive lie, read from its bytes:
// the lower bound a lister must read (one read per header).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HeaderSpan {
    std::uint64_t offset;
    std::uint32_t size;
};

// The signature and main header as one span, then every file header.
// Empty when the bytes are not a well-formed archive of either format.
std::vector<HeaderSpan> headerSpans(const std::string &archive);
