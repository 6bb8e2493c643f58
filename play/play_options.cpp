// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "play_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {
// Beyond these a value is a typing mistake, not a wish.
constexpr qint64 kLongestDefaultSeconds = 24 * 3600;
constexpr qint64 kLongestDefaultFadeMs = 10 * 60 * 1000;

void usageError(const QString &text)
{
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n",
                 qPrintable(QCoreApplication::applicationName()), qPrintable(text),
                 qPrintable(QCoreApplication::applicationName()));
}

// The whole number in text, from lowest to highest; nullopt otherwise.
std::optional<qint64> boundedNumber(const QString &text, qint64 lowest, qint64 highest)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}
} // namespace

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
                                        .arg(kLongestDefaultSeconds)
                                        .arg(builtIn.lengthMs / 1000),
                                    QStringLiteral("SEC"));
    const QCommandLineOption fade(QStringLiteral("default-fade"),
                                  QStringLiteral("The fade of a track whose tags give none, in milliseconds "
                                                 "(0 to %1); default %2.")
                                      .arg(kLongestDefaultFadeMs)
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
        usageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();

    PlayOptions options;
    options.items = parser.positionalArguments();
    if (options.items.isEmpty()) {
        usageError(QStringLiteral("nothing to play: no ITEM given"));
        return std::nullopt;
    }
    if (parser.isSet(length)) {
        const std::optional<qint64> seconds = boundedNumber(parser.value(length), 1, kLongestDefaultSeconds);
        if (!seconds) {
            usageError(QStringLiteral("--default-length wants whole seconds from 1 to %1").arg(kLongestDefaultSeconds));
            return std::nullopt;
        }
        options.defaults.lengthMs = *seconds * 1000;
    }
    if (parser.isSet(fade)) {
        const std::optional<qint64> ms = boundedNumber(parser.value(fade), 0, kLongestDefaultFadeMs);
        if (!ms) {
            usageError(QStringLiteral("--default-fade wants milliseconds from 0 to %1").arg(kLongestDefaultFadeMs));
            return std::nullopt;
        }
        options.defaults.fadeMs = *ms;
    }
    options.defaults.endless = parser.isSet(endless);
    options.repeat = parser.isSet(repeat);
    options.shuffle = parser.isSet(shuffle);
    return options;
}
