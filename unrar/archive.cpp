#include "archive.h"

#include "rar4_walker.h"
#include "rar5_walker.h"
#include "unrar.h"

#include <algorithm>
#include <vector>

namespace unrar {
namespace {

constexpr std::uint8_t kSignature[] = {'R', 'a', 'r', '!', 0x1A, 0x07};
constexpr std::size_t kRar4MarkerSize = 7; // signature + 00
constexpr std::size_t kRar5MarkerSize = 8; // signature + 01 00

// Self-extracting archives put an executable module in front; such modules
// are far smaller than this, and a bounded search keeps opening a file that
// is no archive at all cheap.
constexpr std::uint64_t kMaxSfxModule = 4 * 1024 * 1024;
constexpr std::size_t kSearchChunk = 64 * 1024;

} // namespace

Archive::Signature Archive::findSignature()
{
    // Plain archives start with the marker: one small read.
    const auto head = m_file.view(0, static_cast<std::size_t>(std::min<std::uint64_t>(m_file.size(), kRar5MarkerSize)));
    if (head.size() >= kRar4MarkerSize && std::equal(std::begin(kSignature), std::end(kSignature), head.begin())) {
        if (head[6] == 0x00)
            return {Format::Rar4, kRar4MarkerSize};
        if (head.size() == kRar5MarkerSize && head[6] == 0x01 && head[7] == 0x00)
            return {Format::Rar5, kRar5MarkerSize};
    }

    const std::uint64_t limit = std::min<std::uint64_t>(m_file.size(), kMaxSfxModule + kRar5MarkerSize);
    std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(limit, kSearchChunk)));
    // Chunks overlap by a marker's length less one so no marker is missed at a seam.
    for (std::uint64_t offset = 0; offset < limit;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), limit - offset));
        const std::size_t got = m_file.readAt(offset, chunk.data(), want);
        const auto begin = chunk.begin();
        const auto end = begin + static_cast<std::ptrdiff_t>(got);
        for (auto it = std::search(begin, end, std::begin(kSignature), std::end(kSignature)); it != end;
             it = std::search(it + 1, end, std::begin(kSignature), std::end(kSignature))) {
            const std::size_t at = static_cast<std::size_t>(it - begin);
            const std::size_t left = got - at;
            if (left >= kRar4MarkerSize && it[6] == 0x00)
                return {Format::Rar4, offset + at + kRar4MarkerSize};
            if (left >= kRar5MarkerSize && it[6] == 0x01 && it[7] == 0x00)
                return {Format::Rar5, offset + at + kRar5MarkerSize};
        }
        if (got < want || offset + got >= limit)
            break;
        offset += got - (kRar5MarkerSize - 1);
    }
    return {};
}

int Archive::open(const char *path)
{
    if (!m_file.open(path))
        return ERAR_EOPEN;
    const Signature signature = findSignature();
    Step started = Step::Damaged;
    if (signature.format == Format::Rar4) {
        auto walker = std::make_unique<Rar4Walker>(m_file, signature.end);
        started = walker->start(m_comment);
        m_walker = std::move(walker);
    } else if (signature.format == Format::Rar5) {
        auto walker = std::make_unique<Rar5Walker>(m_file, signature.end);
        started = walker->start(m_comment);
        m_walker = std::move(walker);
    } else {
        return ERAR_BAD_ARCHIVE;
    }
    return started == Step::Damaged ? ERAR_BAD_DATA : ERAR_SUCCESS;
}

} // namespace unrar
