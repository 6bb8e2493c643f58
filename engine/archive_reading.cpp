// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "archive_reading.h"

#include "user_interaction.h"

#include <cstring>

namespace {
struct OpenFailure {
    const char *text;
    int style;
};

// The messages for the library's open failures 10 to 17.
const OpenFailure kOpenFailures[] = {
    {": Unexpected End of Archive", MsgExclamation},
    {": Not enough memory to open the archive", MsgExclamation},
    {": The archive header corrupt or damaged", MsgCritical},
    {": The archive is corrupt or damaged", MsgCritical},
    {": The Comment is in an unknown format", MsgExclamation},
    {": There was an error that occured when the archive was opened", MsgCritical},
    {": There was an error when the file was created", MsgCritical},
    {": There was an error closing the archive meaning it is still in the memory. Please terminate the "
     "program's process to reclaim this memory space",
     MsgCritical},
};

// Text in the file-name encoding, as QFile::decodeName reads it (UTF-8
// outside Windows), without copying the bytes first.
QString decodeFileName(QByteArrayView bytes)
{
#ifdef Q_OS_WIN
    return QString::fromLocal8Bit(bytes);
#else
    return QString::fromUtf8(bytes);
#endif
}
} // namespace

ListingMessage OpenFailureMessage(const QString &archivePath, unsigned code)
{
    if (code < ERAR_END_ARCHIVE || code > ERAR_ECLOSE)
        return {};
    const OpenFailure &failure = kOpenFailures[code - ERAR_END_ARCHIVE];
    return {archivePath + QLatin1String(failure.text), failure.style, QStringLiteral("Error code %1").arg(code)};
}

QString MemberName(const RARHeaderData &header)
{
    const auto length = static_cast<qsizetype>(strnlen(header.FileName, sizeof header.FileName));
    QString name = decodeFileName(QByteArrayView(header.FileName, length));
    name.replace(u'/', u'\\');
    return name;
}
