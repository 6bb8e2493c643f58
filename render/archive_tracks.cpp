// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "archive_tracks.h"

#include "archive_reading.h"
#include "extraction.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <utility>

namespace {
// Where the library hands a tested member's data; a member handing out
// more than its header claims (bounded by the largest track) is refused.
struct DataSink {
    QByteArray bytes;
    qint64 limit = 0;
    bool overran = false;
    const std::atomic<bool> *cancel = nullptr;
};

int CALLBACK receiveData(unsigned int message, LPARAM sinkAddress, LPARAM data, LPARAM size)
{
    auto *sink = reinterpret_cast<DataSink *>(sinkAddress);
    if (message != UCM_PROCESSDATA || (sink->cancel && sink->cancel->load(std::memory_order_relaxed)))
        return -1;
    if (!data || size <= 0)
        return 1;
    if (qint64(size) > sink->limit - sink->bytes.size()) {
        sink->overran = true;
        return -1;
    }
    sink->bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));
    return 1;
}

bool isTrack(const QString &name, qint64 size)
{
    return size <= TrackBytesCache::kLargestTrack && IsPlayableMember(name, qint32(size));
}

TrackBytes failure(const QString &trackPath, const TrackReport &report)
{
    return {QByteArray(), MessageLine(TrackFailureMessage(trackPath, report))};
}
} // namespace

QString MessageLine(const ListingMessage &message)
{
    return message.title.isEmpty() ? message.prompt : message.title + QStringLiteral(": ") + message.prompt;
}

UnpackedArchive UnpackArchive(const UnrarFunctions &library, const QString &archivePath, const UnpackRequest &request)
{
    UnpackedArchive result;
    const QString shownPath = QDir::toNativeSeparators(archivePath);
    if (!library.setCallback) {
        result.openError = shownPath + QStringLiteral(": The archive library cannot hand over a file's data");
        return result;
    }
    QByteArray arcName = QFile::encodeName(archivePath);
    RAROpenArchiveData openRecord{};
    openRecord.ArcName = arcName.data();
    openRecord.OpenMode = RAR_OM_EXTRACT;
    ArchiveHandle archive(library, library.openArchive(&openRecord));
    if (openRecord.OpenResult != ERAR_SUCCESS || !archive.get()) {
        // A library that returns no handle yet claims success could not open it either.
        result.openError = MessageLine(
            OpenFailureMessage(shownPath, openRecord.OpenResult != ERAR_SUCCESS ? openRecord.OpenResult : ERAR_EOPEN));
        return result;
    }
    DataSink sink;
    sink.cancel = request.cancel;
    library.setCallback(archive.get(), receiveData, reinterpret_cast<LPARAM>(&sink));

    const auto keeps = request.keeps ? request.keeps : isTrack;
    const qint64 largest = TrackBytesCache::kLargestTrack;
    bool wantedDone = false;
    bool leftOut = false;
    RARHeaderData header{};
    char empty[1] = "";
    int status;
    while ((status = library.readHeader(archive.get(), &header)) == ERAR_SUCCESS) {
        if (request.cancel && request.cancel->load(std::memory_order_relaxed))
            break;
        const QString name = MemberName(header);
        const qint64 size = header.UnpSize;
        const bool wanted = name == request.wanted;
        // Room is kept for the wanted member until it comes.
        const qint64 room = request.budget - result.bytes - (wantedDone || wanted ? 0 : largest);
        const bool track = keeps(name, size) && !result.tracks.contains(name);
        const bool encrypted = (header.Flags & RHDF_ENCRYPTED) != 0;
        const bool keep = track && !encrypted && (wanted || size <= room);
        leftOut = leftOut || (track && !keep && !encrypted);
        sink.bytes.clear();
        if (keep)
            sink.bytes.reserve(qsizetype(std::min(size, largest)));
        sink.limit = std::min(size, largest);
        sink.overran = false;
        const int outcome = library.processFile(archive.get(), keep ? RAR_TEST : RAR_SKIP, empty, empty);
        wantedDone = wantedDone || wanted;
        if (!track || (!keep && !encrypted))
            continue;
        const QString trackPath = shownPath + u'\\' + name;
        TrackReport report;
        report.encrypted = encrypted;
        report.tested = keep;
        report.testResult = sink.overran ? ERAR_BAD_DATA : outcome;
        if (IsReadable(report)) {
            result.bytes += sink.bytes.size();
            result.tracks.insert(name, {std::exchange(sink.bytes, {}), QString()});
        } else {
            result.tracks.insert(name, failure(trackPath, report));
        }
    }
    const bool cancelled = request.cancel && request.cancel->load(std::memory_order_relaxed);
    if (status == ERAR_UNKNOWN) {
        result.endError = QStringLiteral("Filenames in file ") + shownPath
            + QStringLiteral(" encrypted. Unzip archive, and reRAR without a password");
    } else if (status != ERAR_END_ARCHIVE && !cancelled) {
        const ListingMessage broken = OpenFailureMessage(shownPath, unsigned(status));
        result.endError = broken.prompt.isEmpty()
            ? shownPath + QStringLiteral(": The archive could not be read to its end (code %1)").arg(status)
            : MessageLine(broken);
    }
    result.complete = !leftOut && !cancelled;
    return result;
}
