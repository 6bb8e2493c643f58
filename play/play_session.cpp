// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "play_session.h"

#include "key_decoder.h"
#include "mpris_service.h"
#include "player.h"
#include "quit_signals.h"
#include "raw_terminal.h"
#include "status_line.h"
#include "terminal.h"
#include "track_list.h"

#include <QCoreApplication>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr qint64 kSeekStepMs = 10000;
constexpr int kRedrawEveryMs = 200;
constexpr int kFallbackColumns = 80;

void writeOut(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Leaves the last column free: writing into it makes some terminals wrap.
int usableColumns()
{
    winsize size = {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return kFallbackColumns - 1;
    return size.ws_col - 1;
}

void shuffle(QList<TrackRef> &tracks)
{
    // A fixed seed makes the order repeatable for the tests.
    bool seeded = false;
    const uint seed = qEnvironmentVariableIntValue("MARROWFEN_SHUFFLE_SEED", &seeded);
    std::mt19937 random(seeded ? seed : std::random_device()());
    std::shuffle(tracks.begin(), tracks.end(), random);
}

class PlaySession {
public:
    PlaySession(const PlayOptions &options, const UnrarFunctions &library, Terminal &terminal);
    PlayOutcome run(const QList<TrackRef> &tracks);

private:
    void startKeys();
    void onKeysReadable();
    void apply(const KeyPress &press);
    void onCurrentChanged(int index);
    void report(const QString &text);
    void redraw();
    void clearLine();
    void end(int status, int signal = 0);
    int statusSoFar() const { return m_problems ? PlayExitProblems : PlayExitDone; }
    NowPlaying nowPlaying() const;

    Terminal &m_terminal;
    Player m_player;
    MprisService m_mpris;
    QuitSignals m_quitSignals;
    std::optional<RawTerminal> m_raw; // on a terminal only
    KeyDecoder m_keys;
    QSocketNotifier *m_keyNotifier = nullptr;
    QTimer m_redrawTimer;
    QString m_shownLine; // the status line on screen now; empty when none
    int m_shownResumes = 0;
    QSet<int> m_reported; // the tracks whose failure has been told
    bool m_problems = false;
    bool m_heardAny = false;
    std::optional<PlayOutcome> m_outcome;
};

PlaySession::PlaySession(const PlayOptions &options, const UnrarFunctions &library, Terminal &terminal)
    : m_terminal(terminal)
    , m_player(&library)
    , m_mpris(&m_player, QStringLiteral("Marrowfen"))
{
    m_player.setDefaults(options.defaults);
    m_player.setRepeat(options.repeat);
    QObject::connect(&m_player, &Player::currentChanged, &m_player, [this](int index) { onCurrentChanged(index); });
    QObject::connect(&m_player, &Player::trackFailed, &m_player, [this](int index, const QString &message) {
        m_problems = true;
        if (m_reported.contains(index))
            return; // --repeat meets it again
        m_reported.insert(index);
        const QList<TrackRef> &queue = m_player.queue();
        report(index >= 0 && index < queue.size() ? queue[index].displayName + QStringLiteral(": ") + message
                                                  : message);
    });
    QObject::connect(&m_player, &Player::finished, &m_player,
                     [this] { end(m_heardAny ? statusSoFar() : PlayExitUsage); });
    QObject::connect(&m_player, &Player::outputFailed, &m_player, [this](const QString &message) {
        report(message);
        end(PlayExitNoOutput);
    });
    QObject::connect(&m_quitSignals, &QuitSignals::quitRequested, &m_player,
                     [this](int signal) { end(statusSoFar(), signal); });
}

PlayOutcome PlaySession::run(const QList<TrackRef> &tracks)
{
    if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO))
        startKeys();
    m_player.setQueue(tracks);
    // Once the loop runs, so that an output failing at once can end it.
    QTimer::singleShot(0, &m_player, [this] { m_player.play(); });
    QCoreApplication::exec();
    m_redrawTimer.stop();
    if (!m_shownLine.isEmpty())
        writeOut(QStringLiteral("\n"));
    return m_outcome.value_or(PlayOutcome{statusSoFar()});
}

void PlaySession::startKeys()
{
    m_raw.emplace();
    m_keyNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &m_player);
    QObject::connect(m_keyNotifier, &QSocketNotifier::activated, &m_player, [this] { onKeysReadable(); });
    QObject::connect(&m_redrawTimer, &QTimer::timeout, &m_player, [this] { redraw(); });
    m_redrawTimer.start(kRedrawEveryMs);
}

void PlaySession::onKeysReadable()
{
    char bytes[64];
    const ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
    if (count > 0) {
        for (const KeyPress &press : m_keys.feed(QByteArrayView(bytes, count)))
            apply(press);
    } else if (count == 0 || (errno != EINTR && errno != EAGAIN)) {
        m_keyNotifier->setEnabled(false); // the terminal is gone: no keys, no busy loop
    }
}

void PlaySession::apply(const KeyPress &press)
{
    switch (press.key) {
    case PlayKey::PlayPause:
        m_player.playPause();
        break;
    case PlayKey::Next:
        m_player.next();
        break;
    case PlayKey::Previous:
        m_player.previous();
        break;
    case PlayKey::SeekBack:
        m_player.seekBy(-kSeekStepMs);
        break;
    case PlayKey::SeekForward:
        m_player.seekBy(kSeekStepMs);
        break;
    case PlayKey::ToggleVoice:
        m_player.setVoiceMuted(press.voice, !m_player.isVoiceMuted(press.voice));
        break;
    case PlayKey::Quit:
        end(statusSoFar());
        return;
    }
    redraw();
}

void PlaySession::onCurrentChanged(int index)
{
    if (index < 0) {
        clearLine(); // nothing plays any more
        return;
    }
    m_heardAny = true;
    if (m_raw)
        redraw();
    else
        writeOut(TrackStartLine(nowPlaying()) + u'\n');
}

void PlaySession::report(const QString &text)
{
    clearLine();
    m_terminal.message(text);
    redraw();
}

void PlaySession::redraw()
{
    if (!m_raw || m_outcome || m_player.currentIndex() < 0)
        return;
    const QString line = StatusLine(nowPlaying(), usableColumns());
    if (line == m_shownLine && m_shownResumes == RawTerminal::resumeCount())
        return;
    m_shownLine = line;
    m_shownResumes = RawTerminal::resumeCount();
    writeOut(u'\r' + line + QStringLiteral("\x1b[K"));
}

void PlaySession::clearLine()
{
    if (m_shownLine.isEmpty())
        return;
    writeOut(QStringLiteral("\r\x1b[K"));
    m_shownLine.clear();
}

void PlaySession::end(int status, int signal)
{
    if (m_outcome)
        return;
    m_outcome = PlayOutcome{status, signal};
    QCoreApplication::exit(status);
}

NowPlaying PlaySession::nowPlaying() const
{
    NowPlaying now;
    const int index = m_player.currentIndex();
    now.number = index + 1;
    now.count = int(m_player.queue().size());
    if (index >= 0 && index < m_player.queue().size())
        now.fileName = m_player.queue()[index].displayName;
    now.tags = m_player.currentTags();
    now.positionMs = m_player.positionMs();
    now.lengthMs = m_player.lengthMs();
    now.paused = m_player.status() == Player::Status::Paused;
    for (int voice = 0; voice < 8; ++voice) {
        if (m_player.isVoiceMuted(voice))
            now.mutedVoices |= 1 << voice;
    }
    return now;
}
} // namespace

PlayOutcome RunPlay(const PlayOptions &options, const UnrarFunctions &library, Terminal &terminal)
{
    TrackList resolved = ResolveTracks(options.items, &library);
    for (const QString &problem : std::as_const(resolved.problems))
        terminal.message(problem);
    if (resolved.tracks.isEmpty()) {
        terminal.message(QStringLiteral("nothing to play"));
        return {PlayExitUsage};
    }
    if (options.shuffle)
        shuffle(resolved.tracks);
    PlaySession session(options, library, terminal);
    PlayOutcome outcome = session.run(resolved.tracks);
    if (!resolved.problems.isEmpty() && outcome.status == PlayExitDone)
        outcome.status = PlayExitProblems;
    return outcome;
}
