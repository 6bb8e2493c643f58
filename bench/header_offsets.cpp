// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "header_offsets.h"

#include <cstring>

namespace {
const char kRar4Marker[] = "Rar!\x1A\x07\x00";
const char kRar5Marker[] = "Rar!\x1A\x07\x01\x00";

std::uint32_t le(const std::string &b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

bool vint(const std::string &b, std::size_t &at, std::uint64_t &value)
{
    value = 0;
    for (int shift = 0; at < b.size() && shift < 70; shift += 7) {
        const auto byte = static_cast<unsigned char>(b[at++]);
        value |= std::uint64_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

std::vector<HeaderSpan> rar4(const std::string &b)
{
    std::vector<HeaderSpan> spans;
    std::size_t pos = 7;
    while (pos + 7 <= b.size()) {
        const unsigned type = static_cast<unsigned char>(b[pos + 2]);
        const std::uint32_t flags = le(b, pos + 3, 2);
        const std::uint32_t size = le(b, pos + 5, 2);
        if (size < 7 || pos + size > b.size())
            return {};
        std::uint64_t data = 0;
        if (type == 0x74 || type == 0x7A) {
            data = le(b, pos + 7, 4);
            if (flags & 0x100)
                data |= std::uint64_t(le(b, pos + 32, 4)) << 32;
        } else if (flags & 0x8000) {
            data = le(b, pos + 7, 4);
        }
        if (type == 0x73)
            spans.push_back({0, std::uint32_t(pos + size)});
        else if (type == 0x74)
            spans.push_back({pos, size});
        else if (type == 0x7B)
            break;
        pos += size + data;
    }
    return spans;
}

std::vector<HeaderSpan> rar5(const std::string &b)
{
    std::vector<HeaderSpan> spans;
    std::size_t pos = 8;
    while (pos + 5 <= b.size()) {
        std::size_t at = pos + 4;
        std::uint64_t headerSize, type, flags, extra = 0, data = 0;
        if (!vint(b, at, headerSize))
            return {};
        const std::size_t end = at + headerSize;
        if (end > b.size() || !vint(b, at, type) || !vint(b, at, flags))
            return {};
        if ((flags & 1) && !vint(b, at, extra))
            return {};
        if ((flags & 2) && !vint(b, at, data))
            return {};
        if (type == 1)
            spans.push_back({0, std::uint32_t(end)});
        else if (type == 2)
            spans.push_back({pos, std::uint32_t(end - pos)});
        else if (type == 5)
            break;
        pos = end + data;
    }
    return spans;
}
} // namespace

std::vector<HeaderSpan> headerSpans(const std::string &archive)
{
    if (archive.compare(0, 8, kRar5Marker, 8) == 0)
        return rar5(archive);
    if (archive.compare(0, 7, kRar4Marker, 7) == 0)
        return rar4(archive);
    return {};
}
