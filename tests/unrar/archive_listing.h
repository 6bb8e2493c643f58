// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Lists an archive through the library's C interface, the way callers do:
// open, read every header, skip each member, close.
#pragma once

#include "unrar.h"

#include <QString>

#include <string>
#include <vector>

struct ArchiveListing {
    unsigned openResult = 0;
    int lastResult = 0; // the RARReadHeader result that ended the walk
    std::vector<RARHeaderData> headers;
    std::string comment;
    unsigned commentState = 0;
    unsigned commentSize = 0;

    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const RARHeaderData &h : headers)
            out.emplace_back(h.FileName);
        return out;
    }
};

// Stops after maxHeaders so that a walk that failed to end shows up as a
// test failure instead of a hang.
inline ArchiveListing listArchive(const std::string &path, unsigned commentBufferSize = 0,
                                  unsigned openMode = RAR_OM_EXTRACT, std::size_t maxHeaders = 100000)
{
    ArchiveListing listing;
    std::vector<char> commentBuffer(commentBufferSize + 1, '\x7F');
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char *>(path.c_str());
    open.OpenMode = openMode;
    open.CmtBuf = commentBufferSize ? commentBuffer.data() : nullptr;
    open.CmtBufSize = commentBufferSize;
    void *handle = RAROpenArchive(&open);
    listing.openResult = open.OpenResult;
    listing.commentState = open.CmtState;
    listing.commentSize = open.CmtSize;
    if (open.CmtSize > 0 && open.CmtSize <= commentBufferSize)
        listing.comment.assign(commentBuffer.data(), open.CmtSize - 1);
    if (!handle)
        return listing;
    RARHeaderData header{};
    while ((listing.lastResult = RARReadHeader(handle, &header)) == ERAR_SUCCESS) {
        listing.headers.push_back(header);
        RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
        if (listing.headers.size() >= maxHeaders)
            break;
    }
    RARCloseArchive(handle);
    return listing;
}

inline ArchiveListing listArchive(const QString &path, unsigned commentBufferSize = 0)
{
    return listArchive(path.toStdString(), commentBufferSize);
}
