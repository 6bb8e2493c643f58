// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "playlist_command.h"

#include "archive_reader.h"
#include "folder_walk.h"
#include "paths.h"
#include "playlist_build.h"
#include "playlist_file.h"
#include "playlist_folder.h"
#include "terminal.h"
#include "user_interaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <cstdio>

namespace {
// Safe replaces waiting for the disk at the same time; more gains little.
constexpr int kWritersAtOnce = 8;

// One playlist to write: the archives of its folder, in the file list's order.
struct Playlist {
    QString folder;
    QStringList archives;
};

struct Counts {
    int foldersDone = 0;
    int folders = 0;
    int archivesDone = 0;
    int archives = 0;
    int written = 0;
    int tracks = 0;
    int problems = 0;
    bool notWritten = false;
};

QString counted(int count, const char *singular)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(singular)).arg(count == 1 ? "" : "s");
}

QString nativePath(const QString &folder, const QString &name)
{
    return QDir::toNativeSeparators(JoinPath(folder, name));
}

class Command {
public:
    Command(const CommandOptions &options, const UnrarFunctions &library, Terminal &terminal)
        : m_options(options)
        , m_library(library)
        , m_terminal(terminal)
    {
        m_writers.setMaxThreadCount(kWritersAtOnce);
    }

    int run();

private:
    bool plan(QList<Playlist> &playlists);
    bool mayWrite(const QString &folder);
    void buildPlain(const QList<Playlist> &playlists);
    void buildReading(const QList<Playlist> &playlists);
    QStringList linesOf(const QString &folder, const ReadArchive &read);
    void write(const QString &folder, const QStringList &lines);
    void finishWrites();
    void problem(const QString &text);
    void showProgress();

    const CommandOptions &m_options;
    const UnrarFunctions &m_library;
    Terminal &m_terminal;
    Counts m_counts;
    // A safe replace waits for the disk; many playlists are written side by
    // side and their outcomes reported in order at the end.
    struct Write {
        QString folder;
        QFuture<QString> error; // "" once written
    };
    std::vector<Write> m_writes;
    QThreadPool m_writers;
};

void Command::problem(const QString &text)
{
    ++m_counts.problems;
    m_terminal.message(text);
}

void Command::showProgress()
{
    m_terminal.progress(QStringLiteral("folders %1/%2, archives %3/%4")
                            .arg(m_counts.foldersDone)
                            .arg(m_counts.folders)
                            .arg(m_counts.archivesDone)
                            .arg(m_counts.archives));
}

// The playlists to write, each asked about when it would replace a file.
// False on a usage error (reported).
bool Command::plan(QList<Playlist> &playlists)
{
    const QString root = QDir::cleanPath(QDir(m_options.folder).absolutePath());
    QString reason;
    if (!IsReadableFolder(root, &reason)) {
        m_terminal.message(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(root), reason));
        return false;
    }
    const QStringList folders = m_options.recursive
        ? FoldersWithArchives(root, [this](const QString &text) { problem(text); })
        : QStringList{root};
    const QString pattern = QString::fromUtf16(ArchivePattern);
    for (const QString &folder : folders) {
        QStringList archives = FolderFileNames(folder, pattern);
        if (!m_options.archives.isEmpty()) {
            // Names are taken in FOLDER and must be items of its file list.
            QStringList given;
            for (const QString &wanted : m_options.archives) {
                const QFileInfo archive(QDir(root), wanted);
                if (QDir::cleanPath(archive.absolutePath()) != root || !archives.contains(archive.fileName())) {
                    m_terminal.message(
                        QStringLiteral("%1: No such archive in %2").arg(wanted, QDir::toNativeSeparators(root)));
                    return false;
                }
                given << archive.fileName();
            }
            archives.removeIf([&](const QString &name) { return !given.contains(name); });
        }
        if (archives.isEmpty()) {
            m_terminal.message(
                QStringLiteral("%1: No archives; no playlist written").arg(QDir::toNativeSeparators(folder)));
            continue;
        }
        if (mayWrite(folder)) {
            playlists.append({folder, archives});
            m_counts.archives += int(archives.size());
        }
    }
    m_counts.folders = int(playlists.size());
    return true;
}

bool Command::mayWrite(const QString &folder)
{
    if (m_options.force || !WouldReplacePlaylist(folder, m_options.playlistName))
        return true;
    const QString target = nativePath(folder, m_options.playlistName);
    if (m_terminal.canAsk() && m_terminal.ask(QStringLiteral("\"%1\" already exists. Overwrite it?").arg(target)))
        return true;
    m_terminal.message(QStringLiteral("\"%1\" already exists; not overwritten (--force overwrites)").arg(target));
    m_counts.notWritten = true;
    return false;
}

void Command::write(const QString &folder, const QStringList &lines)
{
    m_writes.push_back({folder, QtConcurrent::run(&m_writers, [lines, folder, name = m_options.playlistName] {
                            QString error;
                            if (WritePlaylist(lines, name, folder, &error))
                                return QString();
                            return error.isEmpty() ? QStringLiteral("Unknown error") : error;
                        })});
}

void Command::finishWrites()
{
    for (Write &write : m_writes) {
        const QString error = write.error.result();
        if (error.isEmpty()) {
            ++m_counts.written;
            continue;
        }
        m_terminal.message(QStringLiteral("The playlist \"%1\" could not be written: %2")
                               .arg(nativePath(write.folder, m_options.playlistName), error));
        m_counts.notWritten = true;
    }
    m_writes.clear();
}

// The window's own build: one archive after another, its messages here.
void Command::buildPlain(const QList<Playlist> &playlists)
{
    setMessageHandler([this](const QString &prompt, const QString &title, int) {
        problem(title == QString::fromUtf16(ApplicationTitle) ? prompt : title + QStringLiteral(": ") + prompt);
        return int(AnswerOk);
    });
    for (const Playlist &playlist : playlists) {
        const QStringList lines = BuildPathList(playlist.folder, playlist.archives, [this] {
                                      ++m_counts.archivesDone;
                                      showProgress();
                                  }).split(u'*');
        for (const QString &line : lines)
            m_counts.tracks += !line.isEmpty();
        write(playlist.folder, lines);
        ++m_counts.foldersDone;
    }
    setMessageHandler({});
}

QStringList Command::linesOf(const QString &folder, const ReadArchive &read)
{
    for (const ListingMessage &message : read.listing.messages)
        problem(message.title.isEmpty() ? message.prompt : message.title + QStringLiteral(": ") + message.prompt);
    QStringList lines;
    for (const SortedEntry &track : read.tracks) {
        const TrackReport &report = read.listing.reports[qsizetype(track.index)];
        if (m_options.check && !IsReadable(report)) {
            const ListingMessage failure = TrackFailureMessage(nativePath(folder, track.path), report);
            problem((failure.title.isEmpty() ? QString() : failure.title + QStringLiteral(": ")) + failure.prompt
                    + QStringLiteral("; left out"));
            continue;
        }
        if (m_options.extinf)
            lines << ExtinfLine(report.tags, track.name);
        lines << track.path;
        ++m_counts.tracks;
    }
    // As in the window, an archive without tracks leaves an empty line.
    return lines.isEmpty() ? QStringList{QString()} : lines;
}

// Archives read on worker threads, taken back in order.
void Command::buildReading(const QList<Playlist> &playlists)
{
    QStringList paths;
    for (const Playlist &playlist : playlists) {
        for (const QString &archive : playlist.archives)
            paths << JoinPath(playlist.folder, archive);
    }
    const int workers = m_options.jobs > 0 ? m_options.jobs : QThread::idealThreadCount();
    ArchiveReader reader(m_library, paths, m_options.extinf, m_options.check, workers);
    for (const Playlist &playlist : playlists) {
        QStringList lines;
        for (qsizetype i = 0; i < playlist.archives.size(); ++i) {
            std::optional<ReadArchive> read;
            while (!(read = reader.next(100)))
                showProgress();
            lines += linesOf(playlist.folder, *read);
            ++m_counts.archivesDone;
            showProgress();
        }
        write(playlist.folder, lines);
        ++m_counts.foldersDone;
    }
}

int Command::run()
{
    QList<Playlist> playlists;
    if (!plan(playlists))
        return ExitUsage;
    if (m_options.extinf || m_options.check)
        buildReading(playlists);
    else
        buildPlain(playlists);
    finishWrites();
    m_terminal.clearProgress();
    if (!m_options.quiet) {
        std::printf("%s\n",
                    qPrintable(QStringLiteral("%1: %2 written: %3, %4, %5")
                                   .arg(QCoreApplication::applicationName(), counted(m_counts.written, "playlist"),
                                        counted(m_counts.archivesDone, "archive"), counted(m_counts.tracks, "track"),
                                        counted(m_counts.problems, "problem"))));
        std::fflush(stdout);
    }
    if (m_counts.notWritten)
        return ExitNotWritten;
    return m_counts.problems > 0 ? ExitProblems : ExitDone;
}
} // namespace

int RunPlaylistCommand(const CommandOptions &options, const UnrarFunctions &library, Terminal &terminal)
{
    setArchiveLibrary(&library);
    const int status = Command(options, library, terminal).run();
    setArchiveLibrary(nullptr);
    return status;
}
