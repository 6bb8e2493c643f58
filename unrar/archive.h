// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// One open archive: finds the signature (also behind a self-extractor),
// picks the walker for its format and hands out members in header order.
#pragma once

#include "file_reader.h"
#include "member.h"
#include "member_tester.h"

#include <memory>
#include <string>

namespace unrar {

class Archive {
public:
    // Returns ERAR_SUCCESS or the failure code (ERAR_EOPEN, ERAR_BAD_ARCHIVE,
    // ERAR_BAD_DATA). Encrypted headers open fine: next() then reports them.
    int open(const char *path);

    const Comment &comment() const { return m_comment; }

    // The next member (valid until the next call), or End / Damaged /
    // EncryptedHeaders (repeated on every later call). The walker fills the
    // tester's own record, so listing copies no member.
    Step next(const Member *&member)
    {
        const Step step = m_walker->next(m_tester->freshMember());
        member = step == Step::Member ? &m_tester->noteMember() : nullptr;
        return step;
    }

    // RAR_TEST of the member next() handed out last: an ERAR_* code.
    int test(ByteSink &sink) { return m_tester->test(sink); }

private:
    enum class Format { None, Rar4, Rar5 };
    struct Signature {
        Format format = Format::None;
        std::uint64_t start = 0; // offset of the marker
        std::uint64_t end = 0;   // offset of the first header after it
    };
    Signature findSignature(std::uint64_t from);
    Step startWalker(const Signature &signature);
    int testReference(const std::string &name, ByteSink &sink);

    std::string m_path;
    FileReader m_file;
    std::unique_ptr<HeaderWalker> m_walker;
    std::unique_ptr<MemberTester> m_tester;
    Comment m_comment;
};

} // namespace unrar
