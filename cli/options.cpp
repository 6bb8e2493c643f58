// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "options.h"

#include "playlist_folder.h"
#include "usage.h"

#include <QCommandLineParser>

std::optional<CommandOptions> ParseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes an extended M3U playlist of the SPC tracks inside the RSN archives of FOLDER, "
                       "as the Marrowfen window's \"Add File Contents\" does."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The playlist's file name in each folder (\".m3u\" is added "
                                                   "unless the name ends in it); default \"%1\".")
                                        .arg(QString::fromUtf16(DefaultPlaylistName)),
                                    QStringLiteral("NAME"));
    const QCommandLineOption force({QStringLiteral("f"), QStringLiteral("force")},
                                   QStringLiteral("Overwrite an existing playlist without asking."));
    const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                       QStringLiteral("Also write a playlist into every folder below FOLDER "
                                                      "that holds archives."));
    const QCommandLineOption extinf(QStringLiteral("extinf"),
                                    QStringLiteral("Precede each track with an #EXTINF line of its length, "
                                                   "artist and title, read from its tags."));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Test every track; leave damaged and encrypted ones out."));
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")},
                                  QStringLiteral("Archives read at once with --extinf or --check; default: "
                                                 "one per processor core."),
                                  QStringLiteral("N"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("No progress line and no summary."));
    parser.addOptions({output, force, recursive, extinf, check, jobs, quiet});
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder of the archives."));
    parser.addPositionalArgument(QStringLiteral("ARCHIVE"),
                                 QStringLiteral("Only these archives of FOLDER (file names), in the order of "
                                                "the window's file list."),
                                 QStringLiteral("[ARCHIVE...]"));

    if (!parser.parse(arguments)) {
        UsageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        UsageError(QStringLiteral("no FOLDER given"));
        return std::nullopt;
    }
    CommandOptions options;
    options.folder = positional.takeFirst();
    options.archives = positional;
    options.playlistName = WithPlaylistExtension(parser.isSet(output) ? parser.value(output)
                                                                      : QString::fromUtf16(DefaultPlaylistName));
    options.force = parser.isSet(force);
    options.recursive = parser.isSet(recursive);
    options.extinf = parser.isSet(extinf);
    options.check = parser.isSet(check);
    options.quiet = parser.isSet(quiet);
    if (parser.isSet(jobs)) {
        const std::optional<qint64> count = BoundedNumberOption(parser, jobs, 1, kMostJobs);
        if (!count)
            return std::nullopt;
        options.jobs = int(*count);
    }
    const QString name = options.playlistName;
    if (name.contains(u'/') || name.contains(u'\\') || name == u".m3u") {
        UsageError(QStringLiteral("the playlist's name must be a file name: \"%1\"").arg(name));
        return std::nullopt;
    }
    if (options.recursive && !options.archives.isEmpty()) {
        UsageError(QStringLiteral("ARCHIVE names and --recursive do not go together"));
        return std::nullopt;
    }
    return options;
}
