// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "member_tester.h"

#include "blake2sp.h"
#include "crc32.h"
#include "unrar.h"

#include <algorithm>
#include <cstring>

namespace unrar {
namespace {

constexpr std::uint32_t kMethodStore = 0x30;
constexpr std::uint32_t kMethodBest = 0x35;
constexpr std::uint64_t kMaxDictionary = std::uint64_t{1} << 30;

class MemberInput final : public PackedInput {
public:
    MemberInput(FileReader &file, std::uint64_t offset, std::uint64_t size)
        : m_file(file)
        , m_offset(offset)
        , m_left(size)
    {
    }
    std::size_t read(std::uint8_t *dst, std::size_t n) override
    {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, m_left));
        const std::size_t got = want ? m_file.readAt(m_offset, dst, want) : 0;
        m_offset += got;
        m_left = got < want ? 0 : m_left - got;
        return got;
    }

private:
    FileReader &m_file;
    std::uint64_t m_offset;
    std::uint64_t m_left;
};

class DiscardSink final : public ByteSink {
public:
    bool write(const std::uint8_t *, std::size_t) override { return true; }
};

// Counts and hashes what passes to the caller's sink, and refuses bytes past
// the member's size. In a solid archive a caller's stop only silences it:
// the rest of the member is still unpacked, so the next member can follow.
class CheckingSink final : public ByteSink {
public:
    CheckingSink(ByteSink &target, const Member &member, bool finishOnStop)
        : m_target(target)
        , m_member(member)
        , m_finishOnStop(finishOnStop)
    {
    }
    bool write(const std::uint8_t *data, std::size_t n) override
    {
        if (n > m_member.unpSize - m_count) {
            m_overflow = true;
            return false;
        }
        m_count += n;
        if (m_member.hasBlake2)
            m_blake2.update(data, n);
        else
            m_crc = crc32(data, n, m_crc);
        if (!m_stopped && n > 0 && !m_target.write(data, n)) {
            m_stopped = true;
            return m_finishOnStop;
        }
        return true;
    }
    bool stopped() const { return m_stopped; }
    bool overflowed() const { return m_overflow; }
    bool intact()
    {
        if (m_overflow || m_count != m_member.unpSize)
            return false;
        if (m_member.hasBlake2) {
            const auto digest = m_blake2.final();
            return std::memcmp(digest.data(), m_member.blake2, digest.size()) == 0;
        }
        return !m_member.hasCrc || m_crc == m_member.fileCrc;
    }

private:
    ByteSink &m_target;
    const Member &m_member;
    const bool m_finishOnStop;
    std::uint64_t m_count = 0;
    std::uint32_t m_crc = 0;
    Blake2sp m_blake2;
    bool m_stopped = false;
    bool m_overflow = false;
};

} // namespace

MemberTester::MemberTester(FileReader &file, bool solidArchive)
    : m_file(file)
    , m_solidArchive(solidArchive)
{
}

MemberTester::~MemberTester() = default;

const Member &MemberTester::noteMember()
{
    const Member &member = m_current;
    m_haveCurrent = true;
    if ((member.flags & RHDF_DIRECTORY) || member.method == kMethodStore)
        return member; // no part of any stream

    const bool continues = (member.flags & RHDF_SOLID) && !m_stream.empty() && versionFamily(member.unpVer) == m_family;
    if (!continues) {
        m_stream.clear();
        m_unpacked = 0;
        m_streamBroken = 0;
        if (versionFamily(member.unpVer) != m_family)
            m_unpacker.reset();
        m_family = versionFamily(member.unpVer);
    }
    // A member that cannot be unpacked breaks the stream for all after it.
    if (!m_streamBroken)
        m_streamBroken = checkCompressed();
    m_stream.push_back({member.dataOffset, member.packSize, member.unpSize, member.dictionary});
    return member;
}

bool MemberTester::dataCutShort(const Member &member) const
{
    return member.dataOffset > m_file.size() || member.packSize > m_file.size() - member.dataOffset;
}

int MemberTester::checkCompressed() const
{
    const Member &m = m_current;
    if (m.flags & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER))
        return ERAR_EOPEN;
    if (m.flags & RHDF_ENCRYPTED)
        return ERAR_MISSING_PASSWORD;
    if (m.method < kMethodStore || m.method > kMethodBest || !isKnownVersion(m.unpVer))
        return ERAR_UNKNOWN_FORMAT;
    if (m.dictionary > kMaxDictionary)
        return ERAR_LARGE_DICT;
    if (dataCutShort(m))
        return ERAR_BAD_DATA;
    return ERAR_SUCCESS;
}

int MemberTester::test(ByteSink &sink)
{
    if (!m_haveCurrent)
        return ERAR_BAD_DATA;
    m_haveCurrent = false;
    if (m_current.flags & RHDF_DIRECTORY)
        return ERAR_SUCCESS;
    if (m_current.redirection == Member::Redirection::Link)
        return testLink(sink);
    if (m_current.redirection == Member::Redirection::Copy)
        return testCopy(sink);
    if (m_current.method == kMethodStore)
        return testStored(sink);
    return unpackStream(sink);
}

int MemberTester::testStored(ByteSink &sink)
{
    if (m_current.flags & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER))
        return ERAR_EOPEN;
    if (m_current.flags & RHDF_ENCRYPTED)
        return ERAR_MISSING_PASSWORD;
    // Stored data is the member itself: any other size, or data cut off by
    // the end of the file, is damage known before a byte is handed out.
    if (m_current.packSize != m_current.unpSize || dataCutShort(m_current))
        return ERAR_BAD_DATA;
    CheckingSink checked(sink, m_current, false);
    MemberInput input(m_file, m_current.dataOffset, m_current.packSize);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(m_current.packSize, 256 * 1024)));
    for (std::uint64_t left = m_current.packSize; left > 0;) {
        const std::size_t got = input.read(buffer.data(), buffer.size());
        if (got == 0)
            return ERAR_BAD_DATA;
        if (!checked.write(buffer.data(), got))
            return checked.stopped() ? ERAR_UNKNOWN : ERAR_BAD_DATA;
        left -= got;
    }
    return checked.intact() ? ERAR_SUCCESS : ERAR_BAD_DATA;
}

// A link's content is its target, as RAR 3 stores a link's data. RAR 5
// stores no hash of it (its CRC field is zero).
int MemberTester::testLink(ByteSink &sink)
{
    const std::string &target = m_current.redirectTarget;
    if (target.empty() || target.size() != m_current.unpSize)
        return ERAR_SUCCESS;
    return sink.write(reinterpret_cast<const std::uint8_t *>(target.data()), target.size()) ? ERAR_SUCCESS
                                                                                            : ERAR_UNKNOWN;
}

int MemberTester::testCopy(ByteSink &sink)
{
    if (!m_referenceTester)
        return ERAR_EREFERENCE;
    // RAR 5 writes a zero CRC32 into a copy's header: the referenced
    // member's own test checks the bytes against its hash.
    Member copy = m_current;
    copy.hasCrc = false;
    copy.hasBlake2 = false;
    CheckingSink checked(sink, copy, false);
    const int result = m_referenceTester(m_current.redirectTarget, checked);
    if (checked.stopped())
        return ERAR_UNKNOWN;
    if (checked.overflowed()) // the member copied is longer than this header says
        return ERAR_BAD_DATA;
    if (result != ERAR_SUCCESS)
        return result;
    return checked.intact() ? ERAR_SUCCESS : ERAR_BAD_DATA;
}

UnpackResult MemberTester::feed(const StreamMember &member, ByteSink &sink, bool solid)
{
    MemberInput input(m_file, member.offset, member.packSize);
    return m_unpacker->unpack(input, sink, {member.unpSize, member.dictionary, solid});
}

int MemberTester::unpackStream(ByteSink &sink)
{
    if (m_streamBroken)
        return m_streamBroken;
    if (!m_unpacker)
        m_unpacker = makeUnpacker(m_current.unpVer);
    if (!m_unpacker)
        return ERAR_UNKNOWN_FORMAT;

    // Catch up through members skipped since the stream was last left in a
    // known state (from its start when it was not).
    const std::size_t target = m_stream.size() - 1;
    if (m_unpacked > target)
        m_unpacked = 0;
    DiscardSink discard;
    for (; m_unpacked < target; ++m_unpacked) {
        if (feed(m_stream[m_unpacked], discard, m_unpacked > 0) != UnpackResult::Ok) {
            m_streamBroken = ERAR_BAD_DATA;
            return m_streamBroken;
        }
    }

    CheckingSink checked(sink, m_current, m_solidArchive);
    const UnpackResult result = feed(m_stream[target], checked, target > 0);
    if (result == UnpackResult::Ok) {
        m_unpacked = target + 1;
        if (checked.stopped())
            return ERAR_UNKNOWN;
        return checked.intact() ? ERAR_SUCCESS : ERAR_BAD_DATA;
    }
    m_unpacked = 0; // the stream must start again
    if (checked.stopped())
        return ERAR_UNKNOWN;
    m_streamBroken = ERAR_BAD_DATA;
    return ERAR_BAD_DATA;
}

} // namespace unrar
