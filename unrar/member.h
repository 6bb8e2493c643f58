// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// What a header walker reports for one archive member, in the terms of the
// C interface's header record.
#pragma once

#include <cstdint>
#include <string>

namespace unrar {

struct Member {
    std::string name; // UTF-8, '\' between parts
    std::uint64_t packSize = 0;
    std::uint64_t unpSize = 0;
    std::uint32_t flags = 0; // RHDF_* bits
    std::uint32_t hostOs = 0;
    std::uint32_t fileCrc = 0;
    std::uint32_t dosTime = 0;
    std::uint32_t unpVer = 0;
    std::uint32_t method = 0;
    std::uint32_t attributes = 0;

    // Where the packed data lies and what unpacking it needs.
    std::uint64_t dataOffset = 0;
    std::uint64_t dictionary = 0; // bytes
    bool hasCrc = true;           // RAR 5 may store no CRC ...
    bool hasBlake2 = false;       // ... and a BLAKE2sp hash instead
    std::uint8_t blake2[32] = {};

    // RAR 5 links and file copies carry no data: a link's target is its
    // content; a hard link or a copy has the content of the member named.
    enum class Redirection { None, Link, Copy };
    Redirection redirection = Redirection::None;
    std::string redirectTarget; // UTF-8; '\' between parts for a copy
};

// Outcome of looking for the next member. Values are the C interface's codes.
enum class Step {
    Member = 0,
    End = 10,              // ERAR_END_ARCHIVE
    Damaged = 12,          // ERAR_BAD_DATA
    EncryptedHeaders = 21, // ERAR_UNKNOWN: names cannot be read without the password
};

// An archive comment found next to the main header.
struct Comment {
    enum class State { None, Stored, Packed };
    State state = State::None;
    std::string text; // UTF-8 when Stored
};

// Walks one format's headers from the first block after the main header.
// Each call to next() moves strictly forward past the member it reports and
// its data, so a caller that skips members needs nothing else.
class HeaderWalker {
public:
    virtual ~HeaderWalker() = default;
    virtual Step next(Member &member) = 0;

    // The main header says later members continue earlier members' streams.
    bool solidArchive() const { return m_solidArchive; }

protected:
    bool m_solidArchive = false;
};

} // namespace unrar
