// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "archive_listing.h"

#include "archive_reading.h"
#include "extraction.h"
#include "paths.h"
#include "user_interaction.h"

#include <QFile>

#include <cstring>

namespace {
constexpr int kCommentBufferSize = 16384;
// SPC files are 66 KiB and a little; a bigger member is tested when asked,
// never searched for tags.
constexpr unsigned kLargestTaggedTrack = 1u << 20;

QStringView displayName(QStringView memberName)
{
    return memberName.sliced(memberName.lastIndexOf(u'\\') + 1);
}

// Where the library hands a tested member's data: kept for its tags while
// wanted. Requests for a password or the next volume get none.
struct DataSink {
    SpcTagBytes bytes;
    bool keep = false;
    const std::atomic<bool> *cancel = nullptr;
};

int CALLBACK receiveData(unsigned int message, LPARAM sinkAddress, LPARAM data, LPARAM size)
{
    auto *sink = reinterpret_cast<DataSink *>(sinkAddress);
    if (message != UCM_PROCESSDATA || (sink->cancel && sink->cancel->load(std::memory_order_relaxed)))
        return -1;
    if (sink->keep && data && size > 0)
        sink->bytes.append(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 1;
}
} // namespace

ArchiveListing ListArchive(const UnrarFunctions &library, const QString &archivePath, const QString &password,
                           const ListingOptions &options)
{
    ArchiveListing listing;
    auto report = [&](const ListingMessage &message) {
        if (message.prompt.isEmpty())
            return;
        if (options.show)
            options.show(message);
        else
            listing.messages.append(message);
    };
    const QString archiveFileName = FileNameOf(archivePath);
    // The archive's file name starts every playlist path. Outside Windows it
    // may hold "*" or line breaks, which would break the entry list and add
    // playlist lines, or "\", which a player would read as a folder: then
    // none of its members is playable.
    const bool archiveNameFits = !archiveFileName.contains(u'*') && !archiveFileName.contains(u'\r')
        && !archiveFileName.contains(u'\n') && !archiveFileName.contains(u'\\');

    QByteArray arcName = QFile::encodeName(archivePath);
    char comment[kCommentBufferSize]; // handed over, never read back
    std::memset(comment, ' ', sizeof comment);
    RAROpenArchiveData openRecord{};
    openRecord.ArcName = arcName.data();
    openRecord.OpenMode = RAR_OM_EXTRACT;
    openRecord.CmtBuf = comment;
    openRecord.CmtBufSize = kCommentBufferSize;

    ArchiveHandle archive(library, library.openArchive(&openRecord));
    if (openRecord.OpenResult != ERAR_SUCCESS || !archive.get()) {
        // A library that returns no handle yet claims success could not open it either.
        report(OpenFailureMessage(archivePath,
                                  openRecord.OpenResult != ERAR_SUCCESS ? openRecord.OpenResult : ERAR_EOPEN));
        return listing;
    }
    listing.result = 0;

    if (!password.isEmpty()) {
        QByteArray passwordBytes = QFile::encodeName(password);
        library.setPassword(archive.get(), passwordBytes.data());
    }

    const bool reading = options.readTags || options.testAll;
    DataSink sink;
    sink.cancel = options.cancel;
    if (reading && library.setCallback)
        library.setCallback(archive.get(), receiveData, reinterpret_cast<LPARAM>(&sink));

    QString &entries = listing.entries;
    RARHeaderData header{};
    char empty[1] = "";
    int result;
    while ((result = library.readHeader(archive.get(), &header)) == ERAR_SUCCESS) {
        if (options.yield)
            options.yield();
        if (options.cancel && options.cancel->load(std::memory_order_relaxed))
            break;
        const QString name = MemberName(header);
        const bool playable = archiveNameFits && IsPlayableMember(name, static_cast<qint32>(header.UnpSize));
        if (playable) {
            entries += archiveFileName;
            entries += u'\\';
            entries += name;
            entries += u'*';
            entries += displayName(name);
            entries += u"**";
        }
        TrackReport track;
        track.encrypted = (header.Flags & RHDF_ENCRYPTED) != 0;
        sink.bytes = {};
        sink.keep = options.readTags && library.setCallback && header.UnpSize <= kLargestTaggedTrack;
        track.tested = playable && !track.encrypted && (options.testAll || sink.keep);
        const int outcome = library.processFile(archive.get(), track.tested ? RAR_TEST : RAR_SKIP, empty, empty);
        if (!playable || !reading)
            continue;
        if (track.tested)
            track.testResult = outcome;
        if (sink.keep && track.tested && outcome == ERAR_SUCCESS)
            track.tags = ParseSpcTags(sink.bytes.header(), sink.bytes.xid6());
        listing.reports.append(track);
    }
    entries.chop(2);

    if (result == ERAR_UNKNOWN) {
        report({QStringLiteral("Filenames in file ") + archivePath
                    + QStringLiteral(" encrypted. Unzip archive, and reRAR without a password"),
                MsgOkOnly, QString()});
    }
    return listing;
}

ListingMessage TrackFailureMessage(const QString &trackPath, const TrackReport &report)
{
    if (report.encrypted)
        return {trackPath + QStringLiteral(": The file is encrypted"), MsgExclamation, QString()};
    QString what;
    switch (report.testResult) {
    case ERAR_SUCCESS:
        return {};
    case ERAR_BAD_DATA:
        what = QStringLiteral(": The file is corrupt or damaged");
        break;
    case ERAR_NO_MEMORY:
        what = QStringLiteral(": Not enough memory to unpack the file");
        break;
    case ERAR_UNKNOWN_FORMAT:
        what = QStringLiteral(": The file is packed in an unknown format");
        break;
    case ERAR_EREAD:
        what = QStringLiteral(": There was an error reading the file");
        break;
    default:
        what = QStringLiteral(": The file could not be unpacked");
        break;
    }
    return {trackPath + what, MsgCritical, QStringLiteral("Error code %1").arg(report.testResult)};
}
