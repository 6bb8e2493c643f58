// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes through the engine: ProcessArchive lists the input with the
// archive library, SortEntries orders the entry list, PlaylistBytes writes it.
// Whatever the input, the entry list stays well formed and every playable
// member becomes exactly one playlist line. Listing again while testing every
// track and reading its tags lists the same tracks, and no tag breaks a line. Each input runs as given and,
// when that changes it, once more with its header CRCs made valid.
#include "archive_listing.h"
#include "crc_repair.h"
#include "entry_list.h"
#include "extraction.h"
#include "linked_unrar.h"
#include "memory_file.h"
#include "playlist_file.h"
#include "user_interaction.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const UnrarFunctions kLibrary = LinkedUnrarFunctions();

// Stops the fuzzer with the line of the broken promise.
void check(bool condition, unsigned line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "broken at fuzz_listing.cpp:%u\n", line);
        std::abort();
    }
}

// Playable members counted straight through the library, as the oracle for
// the entry list's length.
qsizetype countPlayable(const std::string &path)
{
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char *>(path.c_str());
    open.OpenMode = RAR_OM_LIST;
    void *handle = RAROpenArchive(&open);
    if (!handle)
        return -1;
    qsizetype count = 0;
    RARHeaderData header{};
    while (RARReadHeader(handle, &header) == ERAR_SUCCESS) {
        const QString name = QFile::decodeName(
                                 QByteArray(header.FileName,
                                            static_cast<qsizetype>(strnlen(header.FileName, sizeof header.FileName))))
                                 .replace(u'/', u'\\');
        if (IsPlayableMember(name, static_cast<qint32>(header.UnpSize)))
            ++count;
        RARProcessFile(handle, RAR_SKIP, nullptr, nullptr);
    }
    RARCloseArchive(handle);
    return count;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setArchiveLibrary(&kLibrary);
    setMessageHandler([](const QString &, const QString &, int) { return int(AnswerOk); });
    return 0;
}

namespace {
void listAndCheck(const std::uint8_t *data, std::size_t size)
{
    static MemoryFile file;
    file.assign(data, size);
    const QString archivePath = QFile::decodeName(QByteArray::fromStdString(file.path()));
    const QString password = size % 3 == 0 ? QStringLiteral("secret") : QString();

    const qint16 opened = ProcessArchive(QStringLiteral("ObtainList"), archivePath, password);
    const qsizetype playable = countPlayable(file.path());
    check((opened == 0) == (playable >= 0));
    const QString entries = ArchiveEntries;
    if (opened != 0 || entries.isEmpty()) {
        check(entries.isEmpty());
        check(playable <= 0);
        return;
    }

    ListingOptions reading;
    reading.readTags = reading.testAll = true;
    const ArchiveListing tested = ListArchive(kLibrary, archivePath, password, reading);
    check(tested.entries == entries && tested.reports.size() == playable);
    for (const TrackReport &report : tested.reports) {
        const QString line = ExtinfLine(report.tags, QStringLiteral("x"));
        check(!line.contains(u'\r') && !line.contains(u'\n'));
    }

    const QStringList entryList = entries.split(QStringLiteral("**"));
    check(entryList.size() == playable);
    for (const QString &entry : entryList) {
        check(entry.count(u'*') == 1);
        const qsizetype star = entry.indexOf(u'*');
        const QString path = entry.left(star);
        const QString name = entry.mid(star + 1);
        check(!name.isEmpty() && path.endsWith(u'\\' + name));
        check(!entry.contains(u'\r') && !entry.contains(u'\n'));
    }

    const QString paths = SortEntries(entries, true);
    const QString names = SortEntries(entries, false);
    check(paths.split(u'*').size() == playable);
    check(names.split(u'*').size() == playable);

    const QByteArray playlist = PlaylistBytes(paths);
    check(playlist.count("\r\n") == playable + 1);
    check(playlist.count('\r') == playable + 1 && playlist.count('\n') == playable + 1);
    check(playlist.endsWith("\r\n"));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    listAndCheck(data, size);
    std::vector<std::uint8_t> repaired(data, data + size);
    if (fuzzing::HeaderCrcRepair(repaired).run())
        listAndCheck(repaired.data(), repaired.size());
    return 0;
}
