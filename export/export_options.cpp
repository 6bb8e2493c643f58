// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "export_options.h"

#include "audio_file_writer.h"
#include "usage.h"

#include <QCommandLineParser>

std::optional<ExportCommandOptions> ParseExportCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Exports whole soundtracks from RSN archives and SPC files into tagged FLAC, Opus or WAV "
                       "albums: OUTDIR/<archive>/<NN> <title>.<format>, with an album playlist beside them."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The folder the albums go into (made when missing)."),
                                    QStringLiteral("OUTDIR"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("flac (default; 32 kHz, 16 bits, as the SNES plays), opus "
                                                   "(48 kHz) or wav."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption bitrate(QStringLiteral("bitrate"),
                                     QStringLiteral("Opus's bit rate in kbit/s, %1 to %2; default %3.")
                                         .arg(kLeastOpusKbps)
                                         .arg(kMostOpusKbps)
                                         .arg(ExportSettings().opusKbps),
                                     QStringLiteral("KBPS"));
    const QCommandLineOption length(QStringLiteral("default-length"),
                                    QStringLiteral("Seconds a track without a length in its tags plays before "
                                                   "its fade; default %1.")
                                        .arg(TimingDefaults().lengthMs / 1000),
                                    QStringLiteral("SEC"));
    const QCommandLineOption fade(
        QStringLiteral("default-fade"),
        QStringLiteral("Milliseconds such a track fades over; default %1.").arg(TimingDefaults().fadeMs),
        QStringLiteral("MS"));
    const QCommandLineOption stems(QStringLiteral("stems"),
                                   QStringLiteral("Also write each of the eight voices alone: "
                                                  "\"<NN> <title>/voice-1\" to \"voice-8\"."));
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")},
                                  QStringLiteral("Tracks rendered at once; default: one per processor core."),
                                  QStringLiteral("N"));
    const QCommandLineOption force({QStringLiteral("f"), QStringLiteral("force")},
                                   QStringLiteral("Replace files that are there already (else they are kept)."));
    const QCommandLineOption recursive({QStringLiteral("r"), QStringLiteral("recursive")},
                                       QStringLiteral("A FOLDER item also gives the archives of every folder "
                                                      "below it."));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("No progress line and no summary."));
    parser.addOptions({output, format, bitrate, length, fade, stems, jobs, force, recursive, quiet});
    parser.addPositionalArgument(QStringLiteral("ITEM"),
                                 QStringLiteral("An RSN archive, an SPC file, \"Archive.rsn\\inner\\track.spc\", "
                                                "an M3U playlist, or a folder of archives."),
                                 QStringLiteral("ITEM..."));

    if (!parser.parse(arguments)) {
        UsageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    ExportCommandOptions options;
    options.items = parser.positionalArguments();
    if (!parser.isSet(output) || parser.value(output).isEmpty()) {
        UsageError(QStringLiteral("no output folder given (-o OUTDIR)"));
        return std::nullopt;
    }
    if (options.items.isEmpty()) {
        UsageError(QStringLiteral("nothing to export: no ITEM given"));
        return std::nullopt;
    }
    ExportSettings &settings = options.settings;
    settings.outputFolder = parser.value(output);
    if (parser.isSet(format)) {
        const std::optional<AudioFormat> named = FormatNamed(parser.value(format));
        if (!named) {
            UsageError(QStringLiteral("--format wants flac, opus or wav, not \"%1\"").arg(parser.value(format)));
            return std::nullopt;
        }
        settings.format = *named;
    }
    if (parser.isSet(bitrate)) {
        if (settings.format != AudioFormat::Opus) {
            UsageError(QStringLiteral("--bitrate is for --format opus"));
            return std::nullopt;
        }
        const std::optional<qint64> kbps = BoundedNumberOption(parser, bitrate, kLeastOpusKbps, kMostOpusKbps);
        if (!kbps)
            return std::nullopt;
        settings.opusKbps = int(*kbps);
    }
    if (parser.isSet(length)) {
        const std::optional<qint64> seconds = BoundedNumberOption(parser, length, 1,
                                                                  TimingDefaults::kLongestLengthSeconds);
        if (!seconds)
            return std::nullopt;
        settings.timing.lengthMs = *seconds * 1000;
    }
    if (parser.isSet(fade)) {
        const std::optional<qint64> ms = BoundedNumberOption(parser, fade, 0, TimingDefaults::kLongestFadeMs);
        if (!ms)
            return std::nullopt;
        settings.timing.fadeMs = *ms;
    }
    if (parser.isSet(jobs)) {
        const std::optional<qint64> count = BoundedNumberOption(parser, jobs, 1, kMostJobs);
        if (!count)
            return std::nullopt;
        settings.workers = int(*count);
    }
    settings.timing.endless = false;
    settings.stems = parser.isSet(stems);
    settings.force = parser.isSet(force);
    options.recursive = parser.isSet(recursive);
    options.quiet = parser.isSet(quiet);
    return options;
}
