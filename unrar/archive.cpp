// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

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
constexpr int kMaxSignatureTries = 16;

} // namespace

Archive::Signature Archive::findSignature(std::uint64_t from)
{
    // Plain archives start with the marker: one small read.
    if (from == 0) {
        const auto head = m_file.view(
            0, static_cast<std::size_t>(std::min<std::uint64_t>(m_file.size(), kRar5MarkerSize)));
        if (head.size() >= kRar4MarkerSize && std::equal(std::begin(kSignature), std::end(kSignature), head.begin())) {
            if (head[6] == 0x00)
                return {Format::Rar4, 0, kRar4MarkerSize};
            if (head.size() == kRar5MarkerSize && head[6] == 0x01 && head[7] == 0x00)
                return {Format::Rar5, 0, kRar5MarkerSize};
        }
    }

    const std::uint64_t limit = std::min<std::uint64_t>(m_file.size(), kMaxSfxModule + kRar5MarkerSize);
    std::vector<std::uint8_t> chunk(kSearchChunk);
    // Chunks overlap by a marker's length less one so no marker is missed at a seam.
    for (std::uint64_t offset = from; offset < limit;) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), limit - offset));
        const std::size_t got = m_file.readAt(offset, chunk.data(), want);
        const auto begin = chunk.begin();
        const auto end = begin + static_cast<std::ptrdiff_t>(got);
        for (auto it = std::search(begin, end, std::begin(kSignature), std::end(kSignature)); it != end;
             it = std::search(it + 1, end, std::begin(kSignature), std::end(kSignature))) {
            const std::uint64_t at = offset + static_cast<std::uint64_t>(it - begin);
            const std::size_t left = static_cast<std::size_t>(end - it);
            if (left >= kRar4MarkerSize && it[6] == 0x00)
                return {Format::Rar4, at, at + kRar4MarkerSize};
            if (left >= kRar5MarkerSize && it[6] == 0x01 && it[7] == 0x00)
                return {Format::Rar5, at, at + kRar5MarkerSize};
        }
        if (got < want || offset + got >= limit)
            break;
        offset += got - (kRar5MarkerSize - 1);
    }
    return {};
}

Step Archive::startWalker(const Signature &signature)
{
    Comment comment;
    Step started;
    if (signature.format == Format::Rar4) {
        auto walker = std::make_unique<Rar4Walker>(m_file, signature.end);
        started = walker->start(comment);
        m_walker = std::move(walker);
    } else {
        auto walker = std::make_unique<Rar5Walker>(m_file, signature.end);
        started = walker->start(comment);
        m_walker = std::move(walker);
    }
    m_comment = std::move(comment);
    return started;
}

int Archive::open(const char *path)
{
    if (!m_file.open(path))
        return ERAR_EOPEN;
    m_path = path;
    // A self-extractor's code may hold the signature bytes too: a marker
    // without a sound main header after it is passed over, a few times.
    bool sawSignature = false;
    Signature signature = findSignature(0);
    for (int tries = 0; signature.format != Format::None && tries < kMaxSignatureTries; ++tries) {
        sawSignature = true;
        if (startWalker(signature) != Step::Damaged) {
            m_tester = std::make_unique<MemberTester>(m_file, m_walker->solidArchive());
            m_tester->setReferenceTester(
                [this](const std::string &name, ByteSink &sink) { return testReference(name, sink); });
            return ERAR_SUCCESS;
        }
        if (signature.start == 0)
            break; // a plain archive with a damaged main header
        signature = findSignature(signature.start + 1);
    }
    m_walker.reset();
    return sawSignature ? ERAR_BAD_DATA : ERAR_BAD_ARCHIVE;
}

// A hard link or file copy has the content of an earlier member: that member
// is tested through a second look at the archive, so this one's solid
// stream stays where it is. Only a member with data of its own counts, so
// copies of copies cannot loop.
int Archive::testReference(const std::string &name, ByteSink &sink)
{
    Archive other;
    if (other.open(m_path.c_str()) != ERAR_SUCCESS)
        return ERAR_EREFERENCE;
    const Member *member = nullptr;
    while (other.next(member) == Step::Member) {
        if (member->name == name && member->redirection == Member::Redirection::None
            && !(member->flags & RHDF_DIRECTORY))
            return other.test(sink);
    }
    return ERAR_EREFERENCE;
}

} // namespace unrar
