// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "fake_unrar.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

namespace fake {
namespace {
struct Cursor {
    Archive archive;
    qsizetype next = 0;
};

QHash<QByteArray, Archive> g_archives;
QStringList g_log;
OpenRecord g_lastOpen;
std::set<Cursor *> g_handles;

Cursor *cursorOf(void *handle, const char *call)
{
    auto *cursor = static_cast<Cursor *>(handle);
    if (!g_handles.count(cursor)) {
        g_log << QStringLiteral("BAD %1 with an unknown handle").arg(QLatin1String(call));
        return nullptr;
    }
    return cursor;
}

void *PASCAL openArchive(RAROpenArchiveData *data)
{
    g_lastOpen = {};
    g_lastOpen.arcName = data->ArcName ? QByteArray(data->ArcName) : QByteArray();
    g_lastOpen.openMode = data->OpenMode;
    g_lastOpen.cmtBufSize = data->CmtBufSize;
    g_lastOpen.commentAllSpaces = data->CmtBuf
        && std::all_of(data->CmtBuf, data->CmtBuf + data->CmtBufSize, [](char c) { return c == ' '; });
    g_log << QStringLiteral("open %1").arg(QFileInfo(QFile::decodeName(g_lastOpen.arcName)).fileName());

    // Scribble over what the engine must not read after the call.
    data->CmtSize = 0xDEAD;
    data->CmtState = 0xBEEF;

    const auto found = g_archives.constFind(g_lastOpen.arcName);
    Archive archive;
    if (found != g_archives.cend())
        archive = *found;
    else
        archive.openResult = ERAR_EOPEN;
    data->OpenResult = archive.openResult;
    if ((archive.openResult != ERAR_SUCCESS && !archive.handleOnFailure) || archive.noHandle)
        return nullptr;
    auto cursor = std::make_unique<Cursor>();
    cursor->archive = archive;
    g_handles.insert(cursor.get());
    return cursor.release();
}

void PASCAL setPassword(void *handle, char *password)
{
    if (cursorOf(handle, "password"))
        g_log << QStringLiteral("password %1").arg(QString::fromUtf8(password));
}

int PASCAL readHeader(void *handle, RARHeaderData *header)
{
    Cursor *cursor = cursorOf(handle, "read");
    if (!cursor)
        return ERAR_BAD_ARCHIVE;
    // Fill the record the way a real library does, with noise behind the
    // name's NUL and in every field the engine has no business reading.
    std::memset(header, 'Z', sizeof *header);
    header->CmtBuf = nullptr;
    if (cursor->next >= cursor->archive.members.size()) {
        g_log << QStringLiteral("read %1").arg(cursor->archive.endCode);
        return cursor->archive.endCode;
    }
    const Member &member = cursor->archive.members[cursor->next++];
    const auto length = std::min<qsizetype>(member.fileName.size(), sizeof header->FileName);
    std::memcpy(header->FileName, member.fileName.constData(), length);
    if (length < qsizetype(sizeof header->FileName))
        header->FileName[length] = '\0';
    header->UnpSize = member.unpSize;
    g_log << QStringLiteral("read 0");
    return ERAR_SUCCESS;
}

int PASCAL processFile(void *handle, int operation, char *destPath, char *destName)
{
    if (!cursorOf(handle, "process"))
        return ERAR_BAD_ARCHIVE;
    const bool emptyPath = destPath && !*destPath;
    const bool emptyName = destName && !*destName;
    if (operation == RAR_SKIP && emptyPath && emptyName)
        g_log << QStringLiteral("skip");
    else
        g_log << QStringLiteral("BAD process %1 %2 %3").arg(operation).arg(emptyPath).arg(emptyName);
    return ERAR_SUCCESS;
}

int PASCAL closeArchive(void *handle)
{
    Cursor *cursor = cursorOf(handle, "close");
    if (!cursor)
        return ERAR_ECLOSE;
    g_handles.erase(cursor);
    delete cursor;
    g_log << QStringLiteral("close");
    return ERAR_SUCCESS;
}

const UnrarFunctions g_functions = {openArchive, setPassword, readHeader, processFile, closeArchive};
} // namespace

void reset()
{
    g_archives.clear();
    g_log.clear();
    g_lastOpen = {};
    for (Cursor *cursor : g_handles)
        delete cursor;
    g_handles.clear();
}

void addArchive(const QByteArray &path, const Archive &archive)
{
    g_archives.insert(path, archive);
}

QStringList &log()
{
    return g_log;
}

const OpenRecord &lastOpen()
{
    return g_lastOpen;
}

int openHandles()
{
    return int(g_handles.size());
}

const UnrarFunctions &functions()
{
    return g_functions;
}

} // namespace fake
