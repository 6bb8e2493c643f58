// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Header walker for RAR 5.0 archives (signature "Rar!\x1A\x07\x01\x00").
#pragma once

#include "dos_time.h"
#include "file_reader.h"
#include "member.h"

namespace unrar {

class Rar5Walker final : public HeaderWalker {
public:
    // firstHeader: offset right after the signature.
    Rar5Walker(FileReader &file, std::uint64_t firstHeader);

    // Checks the main header and finds a "CMT" service header right after
    // it. Member on success, Damaged, or EncryptedHeaders.
    Step start(Comment &comment);

    Step next(Member &member) override;

private:
    struct Header;
    Step readHeader(std::uint64_t pos, Header &header);
    bool parseFileHeader(const Header &header, Member &member, std::string *serviceName);

    FileReader &m_file;
    std::uint64_t m_pos;
    Step m_final = Step::Member;
    DosTimeConverter m_dosTime;
};

} // namespace unrar
