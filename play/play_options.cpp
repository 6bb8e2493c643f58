// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "play_options.h"

#include "usage.h"

#include <QCommandLineParser>

std::optional<PlayOptions> ParsePlayCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the SPC tracks of playlists, RSN archives and SPC files on the default audio output.\n"
                       "Keys on a terminal: Space pause, n next, p previous, Left/Right seek 10 s, "
                       "1-8 mute or unmute a voice, q quit."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const TimingDefaults builtIn;
    const QCommandLineOption length(QStringLiteral("default-length"),
                                    QStringLiteral("How long a track whose tags give no length plays before its "
                                                   "fade, in seconds (1 to %1); default %2.")
                                        .arg(TimingDefaults::kLongestLengthSeconds)
                                        .arg(builtIn.lengthMs / 1000),
                                    QStringLiteral("SEC"));
    const QCommandLineOption fade(QStringLiteral("default-fade"),
                                  QStringLiteral("The fade of a track whose tags give none, in milliseconds "
                                                 "(0 to %1); default %2.")
                                      .arg(TimingDefaults::kLongestFadeMs)
                                      .arg(builtIn.fadeMs),
                                  QStringLiteral("MS"));
    const QCommandLineOption endless(QStringLiteral("endless"),
                                     QStringLiteral("Play every track until told to move on, ignoring lengths."));
    const QCommandLineOption repeat(QStringLiteral("repeat"),
                                    QStringLiteral("After the last track, start again with the first."));
    const QCommandLineOption shuffle(QStringLiteral("shuffle"), QStringLiteral("Play the tracks in a random order."));
    parser.addOptions({length, fade, endless, repeat, shuffle});
    parser.addPositionalArgument(QStringLiteral("ITEM"),
                                 QStringLiteral("An M3U or M3U8 playlist, an RSN archive, an SPC file, or a track "
                                                "inside an archive (\"Game.rsn\\01 Intro.spc\")."),
                                 QStringLiteral("ITEM..."));

    if (!parser.parse(arguments)) {
        UsageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    PlayOptions options;
    options.items = parser.positionalArguments();
    if (options.items.isEmpty()) {
        UsageError(QStringLiteral("nothing to play: no ITEM given"));
        return std::nullopt;
    }
    if (parser.isSet(length)) {
        const std::optional<qint64> seconds = BoundedNumberOption(
            parser, length, 1, TimingDefaults::kLongestLengthSeconds, QStringLiteral("whole seconds"));
        if (!seconds)
            return std::nullopt;
        options.defaults.lengthMs = *seconds * 1000;
    }
    if (parser.isSet(fade)) {
        const std::optional<qint64> ms = BoundedNumberOption(parser, fade, 0, TimingDefaults::kLongestFadeMs,
                                                             QStringLiteral("milliseconds"));
        if (!ms)
            return std::nullopt;
        options.defaults.fadeMs = *ms;
    }
    options.defaults.endless = parser.isSet(endless);
    options.repeat = parser.isSet(repeat);
    options.shuffle = parser.isSet(shuffle);
    return options;
}
