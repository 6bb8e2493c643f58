// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// RAR_TEST: unpacks a member in memory, hands its bytes to a sink and checks
// them against the header's CRC32 or BLAKE2sp. Keeps the state a solid
// archive carries from member to member, so that any mix of skipped and
// tested members gives the right bytes: members skipped in a solid stream
// are unpacked (unseen) only when a later one is tested.
#pragma once

#include "file_reader.h"
#include "member.h"
#include "unpack/unpacker.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace unrar {

class MemberTester {
public:
    MemberTester(FileReader &file, bool solidArchive);
    ~MemberTester();

    // Tests the member of that name for a RAR 5 hard link or file copy.
    using ReferenceTester = std::function<int(const std::string &name, ByteSink &sink)>;
    void setReferenceTester(ReferenceTester tester) { m_referenceTester = std::move(tester); }

    // The record the walker fills for the next member; then noteMember()
    // for every member the archive hands out, in order, tested or not.
    Member &freshMember()
    {
        m_haveCurrent = false;
        m_current = Member{};
        return m_current;
    }
    const Member &noteMember();

    // Tests the member noted last; an ERAR_* code. ERAR_UNKNOWN when the
    // sink asked to stop (the handle stays usable).
    int test(ByteSink &sink);

private:
    struct StreamMember {
        std::uint64_t offset;
        std::uint64_t packSize;
        std::uint64_t unpSize;
        std::uint64_t dictionary;
    };
    int testStored(ByteSink &sink);
    int testLink(ByteSink &sink);
    int testCopy(ByteSink &sink);
    int checkCompressed() const;
    bool dataCutShort(const Member &member) const;
    int unpackStream(ByteSink &sink);
    UnpackResult feed(const StreamMember &member, ByteSink &sink, bool solid);

    FileReader &m_file;
    const bool m_solidArchive;
    Member m_current;
    bool m_haveCurrent = false;
    ReferenceTester m_referenceTester;

    // The solid stream the current member belongs to, from its first member.
    unsigned m_family = 0; // unpack version of the stream
    std::vector<StreamMember> m_stream;
    int m_streamBroken = 0;     // an ERAR_* code once a member of it cannot be unpacked
    std::size_t m_unpacked = 0; // members of m_stream the unpacker has been through
    std::unique_ptr<Unpacker> m_unpacker;
};

} // namespace unrar
