// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "rar4_walker.h"

#include "byte_cursor.h"
#include "crc32.h"
#include "text.h"
#include "unrar.h"

#include <algorithm>
#include <vector>

namespace unrar {
namespace {

enum : std::uint8_t {
    kMainBlock = 0x73,
    kFileBlock = 0x74,
    kOldSubBlock = 0x77,
    kServiceBlock = 0x7A,
    kEndBlock = 0x7B,
};

enum : std::uint16_t {
    kMainOldComment = 0x0002,
    kMainSolid = 0x0008,
    kMainEncryptedHeaders = 0x0080,

    kFileSplitBefore = 0x0001,
    kFileSplitAfter = 0x0002,
    kFileEncrypted = 0x0004,
    kFileOldComment = 0x0008,
    kFileSolid = 0x0010,
    kFileDirectoryMask = 0x00E0,
    kFileDictionaryShift = 5,
    kFileLargeSizes = 0x0100,
    kFileUnicodeName = 0x0200,

    kLongBlock = 0x8000,
};

constexpr std::uint8_t kMarker[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::size_t kBaseHeader = 7;
constexpr std::size_t kFileFixedPart = 32;
constexpr std::uint8_t kMethodStore = 0x30;
constexpr std::uint64_t kMaxHashedBlockData = 1024 * 1024;

// The low 16 bits of the CRC32 of header bytes [2, end).
bool crcMatches(std::span<const std::uint8_t> header, std::size_t end)
{
    const std::uint16_t stored = static_cast<std::uint16_t>(header[0] | header[1] << 8);
    return (crc32(header.data() + 2, end - 2) & 0xFFFF) == stored;
}

// The Unicode form of a name (flag 0x200 with a zero byte): an opcode stream
// that builds UTF-16 units, partly by copying from the OEM form before it.
std::vector<std::uint16_t> decodeUnicodeName(std::span<const std::uint8_t> oem, std::span<const std::uint8_t> encoded,
                                             std::size_t maxUnits)
{
    std::vector<std::uint16_t> out;
    std::size_t pos = 0;
    if (encoded.empty())
        return out;
    const std::uint16_t high = static_cast<std::uint16_t>(encoded[pos++] << 8);
    unsigned flags = 0;
    int opcodesLeft = 0;
    while (pos < encoded.size() && out.size() < maxUnits) {
        if (opcodesLeft == 0) {
            flags = encoded[pos++];
            opcodesLeft = 4;
            continue;
        }
        const unsigned op = (flags >> 6) & 3;
        flags <<= 2;
        --opcodesLeft;
        switch (op) {
        case 0:
            out.push_back(encoded[pos++]);
            break;
        case 1:
            out.push_back(static_cast<std::uint16_t>(high | encoded[pos++]));
            break;
        case 2:
            if (encoded.size() - pos < 2)
                return out;
            out.push_back(static_cast<std::uint16_t>(encoded[pos] | encoded[pos + 1] << 8));
            pos += 2;
            break;
        default: {
            const std::uint8_t run = encoded[pos++];
            std::uint8_t correction = 0;
            if (run & 0x80) {
                if (pos >= encoded.size())
                    return out;
                correction = encoded[pos++];
            }
            for (int i = (run & 0x7F) + 2; i > 0 && out.size() < maxUnits && out.size() < oem.size(); --i) {
                const std::uint8_t c = oem[out.size()];
                out.push_back(run & 0x80 ? static_cast<std::uint16_t>(high | ((c + correction) & 0xFF)) : c);
            }
            break;
        }
        }
    }
    return out;
}

std::string decodeName(std::span<const std::uint8_t> field, bool unicodeFlag)
{
    const std::string bytes(field.begin(), field.end());
    std::string name;
    const std::size_t zero = bytes.find('\0');
    if (unicodeFlag && zero != std::string::npos) {
        const auto units = decodeUnicodeName(field.first(zero), field.subspan(zero + 1), field.size());
        name = units.empty() ? legacyToUtf8(bytes.substr(0, zero)) : utf16ToUtf8(units);
    } else {
        // Without the flag the bytes are in the archiver's code page; with it
        // and no zero byte they should be UTF-8. Either way valid UTF-8 is
        // kept and anything else is read as Windows-1252.
        name = legacyToUtf8(bytes);
    }
    return memberPath(std::move(name));
}

} // namespace

struct Rar4Walker::Block {
    std::uint8_t type = 0;
    std::uint16_t flags = 0;
    std::span<const std::uint8_t> header; // HEAD_SIZE bytes, valid until the next read
    std::uint64_t next = 0;               // offset of the following block
};

bool Rar4Walker::crcWithDataMatches(const Block &block, std::uint64_t dataSize)
{
    const std::uint16_t stored = static_cast<std::uint16_t>(block.header[0] | block.header[1] << 8);
    std::uint32_t crc = crc32(block.header.data() + 2, block.header.size() - 2);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(dataSize));
    if (m_file.readAt(block.next, data.data(), data.size()) != data.size())
        return false;
    crc = crc32(data.data(), data.size(), crc);
    return (crc & 0xFFFF) == stored;
}

Rar4Walker::Rar4Walker(FileReader &file, std::uint64_t mainHeader)
    : m_file(file)
    , m_pos(mainHeader)
{
}

// Reads the header at pos and checks its CRC; file and service blocks are
// left for parseFileBlock, which knows their layout.
Step Rar4Walker::readBlock(std::uint64_t pos, Block &block)
{
    const std::uint64_t remaining = m_file.size() - pos;
    if (remaining == 0)
        return Step::End; // old archives may lack the end block
    if (remaining < kBaseHeader)
        return Step::Damaged;
    auto base = m_file.view(pos, kBaseHeader);
    if (base.empty())
        return Step::Damaged;
    const std::size_t headSize = static_cast<std::size_t>(base[5] | base[6] << 8);
    if (headSize < kBaseHeader || headSize > remaining)
        return Step::Damaged;
    block.type = base[2];
    block.flags = static_cast<std::uint16_t>(base[3] | base[4] << 8);
    block.header = m_file.view(pos, headSize);
    if (block.header.empty())
        return Step::Damaged;
    block.next = pos + headSize;

    if (block.type == kFileBlock || block.type == kServiceBlock)
        return Step::Member;

    std::uint64_t dataSize = 0;
    if (block.type == kOldSubBlock || (block.flags & kLongBlock)) {
        if (headSize < kBaseHeader + 4)
            return Step::Damaged;
        ByteCursor c(block.header.data() + kBaseHeader, 4);
        dataSize = c.u32();
    }
    if (dataSize > m_file.size() - block.next)
        return Step::Damaged;

    // Old RAR versions hashed only the first 13 bytes of a main header that
    // carries a comment, and RAR 2.x hashed an old sub-block (0x77) together
    // with its data.
    if (!crcMatches(block.header, headSize)
        && !(block.type == kMainBlock && (block.flags & kMainOldComment) && headSize >= 13
             && crcMatches(block.header, 13))
        && !(dataSize > 0 && dataSize <= kMaxHashedBlockData && crcWithDataMatches(block, dataSize)))
        return Step::Damaged;
    block.next += dataSize;
    return Step::Member;
}

// Layout shared by file (0x74) and service (0x7A) headers; fills member
// when given. False when the header is damaged.
bool Rar4Walker::parseFileBlock(Block &block, Member *member)
{
    const auto header = block.header;
    if (header.size() < kFileFixedPart)
        return false;
    ByteCursor c(header.data() + kBaseHeader, header.size() - kBaseHeader);
    const std::uint32_t packLow = c.u32();
    const std::uint32_t unpLow = c.u32();
    const std::uint8_t hostOs = c.u8();
    const std::uint32_t fileCrc = c.u32();
    const std::uint32_t dosTime = c.u32();
    const std::uint8_t unpVer = c.u8();
    const std::uint8_t method = c.u8();
    const std::uint16_t nameSize = c.u16();
    const std::uint32_t attributes = c.u32();
    std::uint64_t packSize = packLow;
    std::uint64_t unpSize = unpLow;
    if (block.flags & kFileLargeSizes) {
        packSize |= static_cast<std::uint64_t>(c.u32()) << 32;
        unpSize |= static_cast<std::uint64_t>(c.u32()) << 32;
    }
    const std::size_t nameOffset = kBaseHeader + c.position();
    c.skip(nameSize);
    if (!c.ok())
        return false;
    const std::size_t nameEnd = nameOffset + nameSize;

    // RAR 1.5-2.x left an old-style file comment after the name out of the CRC.
    if (!crcMatches(header, header.size())
        && !(block.type == kFileBlock && (block.flags & kFileOldComment) && crcMatches(header, nameEnd)))
        return false;
    // Data cut off by the end of the file (a download cut short, the first
    // piece of a byte-split archive): the member is still listed, the walk
    // ends after it, and testing it reports the damage.
    if (block.type != kFileBlock && packSize > m_file.size() - block.next)
        return false;
    const std::uint64_t dataOffset = block.next;
    block.next = packSize > m_file.size() - block.next ? m_file.size() : block.next + packSize;

    if (member) {
        const auto nameField = header.subspan(nameOffset, nameSize);
        member->name = decodeName(nameField, block.flags & kFileUnicodeName);
        member->packSize = packSize;
        member->unpSize = unpSize;
        member->flags = 0;
        if (block.flags & kFileSplitBefore)
            member->flags |= RHDF_SPLITBEFORE;
        if (block.flags & kFileSplitAfter)
            member->flags |= RHDF_SPLITAFTER;
        if (block.flags & kFileEncrypted)
            member->flags |= RHDF_ENCRYPTED;
        if (block.flags & kFileSolid)
            member->flags |= RHDF_SOLID;
        if ((block.flags & kFileDirectoryMask) == kFileDirectoryMask)
            member->flags |= RHDF_DIRECTORY;
        member->hostOs = hostOs;
        member->fileCrc = fileCrc;
        member->dosTime = dosTime;
        member->unpVer = unpVer;
        member->method = method;
        member->attributes = attributes;
        member->dataOffset = dataOffset;
        // 64 KiB to 4 MiB; the value of all ones marks a folder.
        member->dictionary = std::uint64_t{64 * 1024}
            << std::min((block.flags & kFileDirectoryMask) >> kFileDictionaryShift, 6);
    }
    return true;
}

Step Rar4Walker::start(Comment &comment)
{
    // Some archives repeat the marker right after itself; such a copy is
    // read as a marker block and passed over, as other readers do.
    for (auto at = m_file.view(m_pos, sizeof kMarker); !at.empty() && std::equal(at.begin(), at.end(), kMarker);
         at = m_file.view(m_pos, sizeof kMarker))
        m_pos += sizeof kMarker;

    Block main;
    if (readBlock(m_pos, main) != Step::Member || main.type != kMainBlock || main.header.size() < 13)
        return Step::Damaged;
    m_pos = main.next;
    m_solidArchive = main.flags & kMainSolid;
    if (main.flags & kMainEncryptedHeaders) {
        m_final = Step::EncryptedHeaders;
        return Step::EncryptedHeaders;
    }

    if (main.flags & kMainOldComment) {
        // An old comment block nested after the 13 fixed bytes: 7-byte block
        // header, unpacked size, version, method, comment CRC, then the text.
        ByteCursor c(main.header.data() + 13, main.header.size() - 13);
        c.skip(5);
        const std::uint16_t blockSize = c.u16();
        c.skip(3);
        const std::uint8_t method = c.u8();
        c.skip(2);
        if (c.ok() && blockSize >= 13 && blockSize - 13u <= c.remaining()) {
            if (method == kMethodStore) {
                comment.state = Comment::State::Stored;
                const std::string text = c.bytes(blockSize - 13u);
                comment.text = legacyToUtf8(text.substr(0, text.find('\0')));
            } else {
                comment.state = Comment::State::Packed;
            }
        }
        return Step::Member;
    }
    readServiceComment(comment);
    return Step::Member;
}

// RAR 3.x+ keeps the archive comment in a "CMT" service block right after
// the main header. Anything amiss here is left for next() to report.
void Rar4Walker::readServiceComment(Comment &comment)
{
    Block block;
    if (readBlock(m_pos, block) != Step::Member || block.type != kServiceBlock)
        return;
    const std::uint64_t dataStart = block.next;
    if (!parseFileBlock(block, nullptr)) // also proves the fixed part and the name are inside the header
        return;
    const auto header = block.header;
    const std::size_t nameSize = static_cast<std::size_t>(header[26] | header[27] << 8);
    const std::size_t nameOffset = block.flags & kFileLargeSizes ? 40 : 32;
    if (nameSize != 3 || std::string(header.begin() + nameOffset, header.begin() + nameOffset + 3) != "CMT")
        return;
    const std::uint8_t method = header[25];
    if (method != kMethodStore || (block.flags & kFileEncrypted)) {
        comment.state = Comment::State::Packed;
        return;
    }
    const std::size_t length = static_cast<std::size_t>(
        std::min<std::uint64_t>(block.next - dataStart, kMaxCommentBytes));
    std::string text(length, '\0');
    if (m_file.readAt(dataStart, reinterpret_cast<std::uint8_t *>(text.data()), length) != length)
        return;
    comment.state = Comment::State::Stored;
    comment.text = legacyToUtf8(text.substr(0, text.find('\0')));
}

Step Rar4Walker::next(Member &member)
{
    while (m_final == Step::Member) {
        Block block;
        const Step step = readBlock(m_pos, block);
        if (step != Step::Member) {
            m_final = step;
            break;
        }
        if (block.type == kEndBlock) {
            m_final = Step::End;
            break;
        }
        if (block.type == kFileBlock || block.type == kServiceBlock) {
            if (!parseFileBlock(block, block.type == kFileBlock ? &member : nullptr)) {
                m_final = Step::Damaged;
                break;
            }
            m_pos = block.next;
            if (block.type == kFileBlock)
                return Step::Member;
            continue;
        }
        m_pos = block.next; // main, old comment/sub/recovery/authenticity and unknown blocks
    }
    return m_final;
}

} // namespace unrar
