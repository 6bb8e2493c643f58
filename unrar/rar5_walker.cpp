// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar5_walker.h"

#include "byte_cursor.h"
#include "crc32.h"
#include "dos_time.h"
#include "text.h"
#include "unrar.h"

#include <algorithm>

namespace unrar {
namespace {

enum : std::uint64_t {
    kMainHeader = 1,
    kFileHeader = 2,
    kServiceHeader = 3,
    kEncryptionHeader = 4,
    kEndHeader = 5,

    kHasExtra = 0x0001,
    kHasData = 0x0002,
    kSkipIfUnknown = 0x0004,
    kSplitBefore = 0x0008,
    kSplitAfter = 0x0010,

    kFileDirectory = 0x0001,
    kFileMtime = 0x0002,
    kFileCrc = 0x0004,

    kExtraEncryption = 0x01,
    kExtraHash = 0x02,
    kExtraTimes = 0x03,
    kExtraVersion = 0x04,
    kExtraRedirection = 0x05,
    kRedirectHardLink = 4,
    kRedirectFileCopy = 5,

    kTimesUnixFormat = 0x01,
    kTimesMtime = 0x02,

    kCompressionSolid = 0x0040,
    kArchiveSolid = 0x0004,
    kHashBlake2sp = 0,
};

constexpr std::size_t kMaxHeaderSize = 2 * 1024 * 1024;
constexpr std::uint32_t kHostWin32 = 2; // the C interface's host codes
constexpr std::uint32_t kHostUnix = 3;

// 128 KiB shifted by 4 bits of the compression field; RAR 7's format adds
// 5 more (0 to 31 32nds of that) for sizes between two powers of two.
std::uint64_t dictionarySize(std::uint64_t compression)
{
    const unsigned power = static_cast<unsigned>((compression >> 10) & 0x1F);
    const std::uint64_t base = std::uint64_t{128 * 1024} << std::min(power, 23u);
    const unsigned fraction = (compression & 0x3F) == 0 ? 0 : static_cast<unsigned>((compression >> 15) & 0x1F);
    return base + base / 32 * fraction;
}

} // namespace

struct Rar5Walker::Header {
    std::uint64_t type = 0;
    std::uint64_t flags = 0;
    std::uint64_t dataSize = 0;
    std::uint64_t dataStart = 0;
    std::uint64_t next = 0;
    std::span<const std::uint8_t> body; // from the type field to the end, valid until the next read
    std::size_t fieldsStart = 0;        // offset in body after the general fields
    std::size_t extraSize = 0;
};

Rar5Walker::Rar5Walker(FileReader &file, std::uint64_t firstHeader)
    : m_file(file)
    , m_pos(firstHeader)
{
}

Step Rar5Walker::readHeader(std::uint64_t pos, Header &header)
{
    const std::uint64_t remaining = m_file.size() - pos;
    if (remaining == 0)
        return Step::End;
    // CRC32, then the header size as a vint of at most 10 bytes.
    const auto prefix = m_file.view(pos, static_cast<std::size_t>(std::min<std::uint64_t>(remaining, 14)));
    if (prefix.size() < 5)
        return Step::Damaged;
    ByteCursor sizeField(prefix.data() + 4, prefix.size() - 4);
    const std::uint64_t headerSize = sizeField.vint();
    if (!sizeField.ok() || headerSize == 0 || headerSize > kMaxHeaderSize)
        return Step::Damaged;
    const std::size_t sizeBytes = sizeField.position();
    const std::size_t total = 4 + sizeBytes + static_cast<std::size_t>(headerSize);
    if (total > remaining)
        return Step::Damaged;
    const auto whole = m_file.view(pos, total);
    if (whole.empty())
        return Step::Damaged;
    const std::uint32_t storedCrc = static_cast<std::uint32_t>(whole[0] | whole[1] << 8 | whole[2] << 16)
        | static_cast<std::uint32_t>(whole[3]) << 24;
    if (crc32(whole.data() + 4, sizeBytes + static_cast<std::size_t>(headerSize)) != storedCrc)
        return Step::Damaged;

    header.body = whole.subspan(4 + sizeBytes);
    ByteCursor c(header.body.data(), header.body.size());
    header.type = c.vint();
    header.flags = c.vint();
    const std::uint64_t extraSize = header.flags & kHasExtra ? c.vint() : 0;
    header.dataSize = header.flags & kHasData ? c.vint() : 0;
    if (!c.ok() || extraSize > c.remaining())
        return Step::Damaged;
    header.extraSize = static_cast<std::size_t>(extraSize);
    header.fieldsStart = c.position();
    header.dataStart = pos + total;
    // Data cut off by the end of the file: a file header is still reported
    // and the walk ends after it; testing the member reports the damage.
    if (header.type != kFileHeader && header.dataSize > m_file.size() - header.dataStart)
        return Step::Damaged;
    header.next = header.dataSize > m_file.size() - header.dataStart ? m_file.size()
                                                                     : header.dataStart + header.dataSize;
    return Step::Member;
}

// File and service headers share a layout; a service header's "name" is its
// kind ("CMT", "QO", ...), returned through serviceName when asked for.
bool Rar5Walker::parseFileHeader(const Header &header, Member &member, std::string *serviceName)
{
    const std::size_t extraStart = header.body.size() - header.extraSize;
    ByteCursor c(header.body.data() + header.fieldsStart, extraStart - header.fieldsStart);
    const std::uint64_t fileFlags = c.vint();
    const std::uint64_t unpSize = c.vint();
    const std::uint64_t attributes = c.vint();
    std::int64_t mtime = -1;
    if (fileFlags & kFileMtime)
        mtime = c.u32();
    const std::uint32_t fileCrc = fileFlags & kFileCrc ? c.u32() : 0;
    const std::uint64_t compression = c.vint();
    const std::uint64_t hostOs = c.vint();
    const std::uint64_t nameLength = c.vint();
    if (!c.ok() || nameLength > c.remaining())
        return false;
    std::string rawName = c.bytes(static_cast<std::size_t>(nameLength));
    if (serviceName) {
        *serviceName = std::move(rawName);
        member.method = static_cast<std::uint32_t>(0x30 + ((compression >> 7) & 7));
        member.packSize = header.dataSize;
        member.flags = fileFlags & kFileDirectory ? RHDF_DIRECTORY : 0;
        return true;
    }

    bool encrypted = false;
    std::uint64_t version = 0;
    // The header CRC vouches for the extra area; a record that does not parse
    // is the archiver's business, so parsing just stops there.
    ByteCursor extra(header.body.data() + extraStart, header.extraSize);
    while (extra.remaining() > 0) {
        const std::uint64_t recordSize = extra.vint();
        if (!extra.ok() || recordSize == 0 || recordSize > extra.remaining())
            break;
        ByteCursor record(extra.current(), static_cast<std::size_t>(recordSize));
        extra.skip(static_cast<std::size_t>(recordSize));
        const std::uint64_t type = record.vint();
        if (type == kExtraEncryption) {
            encrypted = true;
        } else if (type == kExtraTimes) {
            const std::uint64_t timeFlags = record.vint();
            if (timeFlags & kTimesMtime) {
                const std::int64_t t = timeFlags & kTimesUnixFormat ? static_cast<std::int64_t>(record.u32())
                                                                    : fileTimeToUnix(record.u64());
                if (record.ok())
                    mtime = t;
            }
        } else if (type == kExtraHash) {
            if (record.vint() == kHashBlake2sp && record.remaining() >= sizeof member.blake2 && record.ok()) {
                std::copy_n(record.current(), sizeof member.blake2, member.blake2);
                member.hasBlake2 = true;
            }
        } else if (type == kExtraRedirection) {
            const std::uint64_t kind = record.vint();
            record.vint(); // flags
            const std::uint64_t length = record.vint();
            if (record.ok() && length <= record.remaining() && length <= kMaxNameBytes) {
                member.redirection = kind == kRedirectHardLink || kind == kRedirectFileCopy ? Member::Redirection::Copy
                                                                                            : Member::Redirection::Link;
                member.redirectTarget = record.bytes(static_cast<std::size_t>(length));
            }
        } else if (type == kExtraVersion) {
            record.vint(); // flags
            const std::uint64_t v = record.vint();
            if (record.ok())
                version = v;
        }
    }

    std::string name = memberPath(sanitizeUtf8(rawName));
    if (version != 0) // older versions of a file kept by RAR's -ver switch
        name += ';' + std::to_string(version);
    member.name = utf8Prefix(name, kMaxNameBytes);
    if (member.redirection == Member::Redirection::Copy)
        member.redirectTarget = memberPath(sanitizeUtf8(member.redirectTarget));
    member.packSize = header.dataSize;
    member.unpSize = unpSize;
    member.flags = 0;
    if (header.flags & kSplitBefore)
        member.flags |= RHDF_SPLITBEFORE;
    if (header.flags & kSplitAfter)
        member.flags |= RHDF_SPLITAFTER;
    if (encrypted)
        member.flags |= RHDF_ENCRYPTED;
    if (compression & kCompressionSolid)
        member.flags |= RHDF_SOLID;
    if (fileFlags & kFileDirectory)
        member.flags |= RHDF_DIRECTORY;
    member.hostOs = hostOs == 1 ? kHostUnix : kHostWin32;
    member.fileCrc = fileCrc;
    member.hasCrc = fileFlags & kFileCrc;
    member.dosTime = mtime >= 0 ? m_dosTime(mtime) : 0;
    member.unpVer = (compression & 0x3F) == 0 ? 50 : 70;
    member.method = static_cast<std::uint32_t>(0x30 + ((compression >> 7) & 7));
    member.attributes = static_cast<std::uint32_t>(attributes);
    member.dataOffset = header.dataStart;
    member.dictionary = dictionarySize(compression);
    return true;
}

Step Rar5Walker::start(Comment &comment)
{
    Header main;
    if (readHeader(m_pos, main) != Step::Member)
        return Step::Damaged;
    if (main.type == kEncryptionHeader) {
        m_final = Step::EncryptedHeaders;
        return Step::EncryptedHeaders;
    }
    if (main.type != kMainHeader)
        return Step::Damaged;
    m_pos = main.next;
    ByteCursor archiveFlags(main.body.data() + main.fieldsStart, main.body.size() - main.fieldsStart);
    m_solidArchive = archiveFlags.vint() & kArchiveSolid;

    // The archive comment, if any, is a "CMT" service header right after the
    // main header. Anything amiss is left for next() to report.
    Header cmt;
    Member info;
    std::string kind;
    if (readHeader(m_pos, cmt) != Step::Member || cmt.type != kServiceHeader || !parseFileHeader(cmt, info, &kind)
        || kind != "CMT")
        return Step::Member;
    if (info.method != 0x30) {
        comment.state = Comment::State::Packed;
        return Step::Member;
    }
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(cmt.dataSize, kMaxCommentBytes));
    std::string text(length, '\0');
    if (m_file.readAt(cmt.dataStart, reinterpret_cast<std::uint8_t *>(text.data()), length) != length)
        return Step::Member;
    comment.state = Comment::State::Stored;
    comment.text = sanitizeUtf8(text.substr(0, text.find('\0'))); // RAR ends it with a NUL
    return Step::Member;
}

Step Rar5Walker::next(Member &member)
{
    while (m_final == Step::Member) {
        Header header;
        const Step step = readHeader(m_pos, header);
        if (step != Step::Member) {
            m_final = step;
            break;
        }
        switch (header.type) {
        case kFileHeader:
            if (!parseFileHeader(header, member, nullptr)) {
                m_final = Step::Damaged;
                return m_final;
            }
            m_pos = header.next;
            return Step::Member;
        case kEndHeader:
            m_final = Step::End;
            break;
        case kEncryptionHeader:
            m_final = Step::EncryptedHeaders;
            break;
        case kMainHeader:
        case kServiceHeader:
            m_pos = header.next;
            break;
        default:
            if (!(header.flags & kSkipIfUnknown))
                m_final = Step::Damaged;
            m_pos = header.next;
            break;
        }
    }
    return m_final;
}

} // namespace unrar
