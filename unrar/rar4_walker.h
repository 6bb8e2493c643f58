// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Header walker for RAR 1.5-4.x archives (marker "Rar!\x1A\x07\x00").
#pragma once

#include "file_reader.h"
#include "member.h"

namespace unrar {

class Rar4Walker final : public HeaderWalker {
public:
    // mainHeader: offset of the main archive header, right after the marker.
    Rar4Walker(FileReader &file, std::uint64_t mainHeader);

    // Checks the main header and finds a stored archive comment (old style
    // inside the main header, or a "CMT" block right after it). Member on
    // success, Damaged, or EncryptedHeaders.
    Step start(Comment &comment);

    Step next(Member &member) override;

private:
    struct Block;
    Step readBlock(std::uint64_t pos, Block &block);
    bool parseFileBlock(Block &block, Member *member);
    bool crcWithDataMatches(const Block &block, std::uint64_t dataSize);
    void readServiceComment(Comment &comment);

    FileReader &m_file;
    std::uint64_t m_pos;
    Step m_final = Step::Member; // sticky once the walk is over
};

} // namespace unrar
