// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Tests the members of an archive through the library's C interface
// (RAR_TEST with a UCM_PROCESSDATA callback), collecting each result and
// the bytes delivered.
#pragma once

#include "unrar.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

struct MemberOutcome {
    RARHeaderData header{};
    bool tested = false;
    int result = -1;
    QByteArray bytes;
    bool tooMany = false; // more bytes arrived than the header's size
};

struct MemberTestRun {
    unsigned openResult = 0;
    int endResult = 0;
    std::vector<MemberOutcome> members;
};

// test(i) says whether member i is tested (else skipped); stopAfterFirst(i)
// whether the callback stops member i at its first chunk.
inline MemberTestRun testMembers(const QString &path, const std::function<bool(int)> &test,
                                 const std::function<bool(int)> &stopAfterFirst = {})
{
    struct Context {
        MemberOutcome *current = nullptr;
        bool stop = false;
    } context;
    const auto callback = [](unsigned msg, LPARAM user, LPARAM p1, LPARAM p2) -> int {
        auto &c = *reinterpret_cast<Context *>(user);
        if (msg != UCM_PROCESSDATA || !c.current)
            return -1;
        MemberOutcome &m = *c.current;
        m.bytes.append(reinterpret_cast<const char *>(p1), static_cast<qsizetype>(p2));
        m.tooMany = m.tooMany || static_cast<quint64>(m.bytes.size()) > m.header.UnpSize;
        return c.stop ? -1 : 1;
    };

    MemberTestRun run;
    const QByteArray name = path.toLocal8Bit();
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char *>(name.constData());
    open.OpenMode = RAR_OM_EXTRACT;
    void *handle = RAROpenArchive(&open);
    run.openResult = open.OpenResult;
    if (!handle)
        return run;
    RARSetCallback(handle, callback, reinterpret_cast<LPARAM>(&context));
    MemberOutcome member;
    while (run.members.size() < 100000 && (run.endResult = RARReadHeader(handle, &member.header)) == ERAR_SUCCESS) {
        const int index = static_cast<int>(run.members.size());
        member.tested = test(index);
        context.current = &member;
        context.stop = stopAfterFirst && stopAfterFirst(index);
        member.result = RARProcessFile(handle, member.tested ? RAR_TEST : RAR_SKIP, nullptr, nullptr);
        run.members.push_back(std::move(member));
        member = MemberOutcome{};
    }
    RARCloseArchive(handle);
    return run;
}
