// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "extraction.h"

#include "archive_listing.h"
#include "unrar_library.h"
#include "user_interaction.h"

QString ArchiveEntries;

bool IsPlayableMember(QStringView name, qint32 unpackedSize)
{
    const qsizetype n = name.size();
    if (unpackedSize <= 0 || n < 4)
        return false;
    // ".sp" plus any one character; each one lower-cased on its own, as the
    // extension is compared character by character.
    const auto lower = [](QChar c) {
        if (c.unicode() >= 0x80)
            return c.toLower();
        return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + 32) : c;
    };
    if (name[n - 4] != u'.' || lower(name[n - 3]) != u's' || lower(name[n - 2]) != u'p')
        return false;
    if (name[n - 1] == u'\\')
        return false; // "x.sp\" followed by nothing names a folder: no display name
    for (QChar c : name) {
        if (c == u'*' || c == u'\r' || c == u'\n')
            return false;
    }
    return true;
}

qint16 ProcessArchive(const QString &action, const QString &archivePath, const QString &password)
{
    ArchiveEntries.clear();
    if (action != u"ObtainList")
        return -1;
    const UnrarFunctions *library = archiveLibrary();
    if (!library)
        return -1;
    ListingOptions options;
    options.yield = YieldToWindow;
    options.show = [](const ListingMessage &message) { ShowMessage(message.prompt, message.style, message.title); };
    const ArchiveListing listing = ListArchive(*library, archivePath, password, options);
    ArchiveEntries = listing.entries;
    return listing.result;
}
