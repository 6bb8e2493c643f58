// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "player.h"

#include "audio_output.h"
#include "decoder.h"
#include "spc_renderer.h"

#include <QTimer>

#include <algorithm>

namespace {

// How often the heard position is looked at: currentChanged and finished
// come at most this late.
constexpr int kHeardPollMs = 20;
constexpr qint64 kRestartWithinMs = 3000;

} // namespace

struct Player::State {
    explicit State(Player *player, const UnrarFunctions *library)
        : q(player)
        , decoder(library, output, [player](int index, const QString &message) {
            QMetaObject::invokeMethod(
                player, [player, index, message] { emit player->trackFailed(index, message); }, Qt::QueuedConnection);
        })
    {
        poll.setInterval(kHeardPollMs);
    }

    void setStatus(Status next);
    void request(int index, qint64 frame);
    void updateHeard();
    void finish();
    void clearHeard(int index);

    Player *q;
    AudioOutput output;
    Decoder decoder; // after the output: it ends first
    QTimer poll;
    QList<TrackRef> queue;
    TimingDefaults defaults;
    bool repeat = false;
    int mutedVoices = 0;
    double volume = 1.0;
    Status status = Status::Stopped;
    quint64 lastRequest = 0;
    bool announce = false; // the next track heard is news even when its index is not

    // The track heard (or asked for, until it is heard).
    int index = -1;
    qint64 positionFrames = 0;
    qint64 heardStart = -1; // its start in the stream, telling a repeat of it from itself
    SpcTags tags;
    TrackTiming timing;
    bool timingKnown = false;
};

void Player::State::setStatus(Status next)
{
    if (next == Status::Stopped)
        poll.stop();
    else
        poll.start();
    if (status == next)
        return;
    status = next;
    emit q->statusChanged(next);
}

void Player::State::clearHeard(int newIndex)
{
    if (newIndex != index) {
        tags = {};
        timing = {};
        timingKnown = false;
    }
    index = newIndex;
    positionFrames = 0;
    heardStart = -1;
}

void Player::State::request(int newIndex, qint64 frame)
{
    lastRequest = decoder.play({queue, newIndex, frame, defaults});
}

void Player::State::updateHeard()
{
    const StreamReport report = decoder.report();
    if (report.request != lastRequest || report.epoch == 0)
        return; // the decoder has not begun the stream asked for
    const AudioOutput::Heard heard = output.heard();
    if (heard.epoch != report.epoch)
        return;
    // A track is heard once one of its frames has been.
    const StreamTrack *track = nullptr;
    for (const StreamTrack &candidate : report.tracks)
        if (candidate.streamFrame < heard.frames)
            track = &candidate;
    if (track) {
        qint64 position = track->firstFrame + heard.frames - track->streamFrame;
        if (!track->timing.endless)
            position = std::min(position, track->timing.totalFrames());
        const bool news = announce || track->index != index || (heardStart >= 0 && heardStart != track->streamFrame);
        index = track->index;
        heardStart = track->streamFrame;
        tags = track->tags;
        timing = track->timing;
        timingKnown = true;
        positionFrames = position;
        if (news) {
            announce = false;
            emit q->currentChanged(index);
        }
    }
    if (report.ended) {
        const qint64 end = report.tracks.isEmpty() ? 0 : report.tracks.last().endFrame;
        if (heard.frames >= end)
            finish();
    }
}

void Player::State::finish()
{
    decoder.stop();
    lastRequest = 0;
    const bool hadTrack = index >= 0;
    clearHeard(-1);
    setStatus(Status::Stopped);
    if (hadTrack)
        emit q->currentChanged(-1);
    emit q->finished();
}

Player::Player(const UnrarFunctions *library, QObject *parent)
    : QObject(parent)
    , m_state(std::make_unique<State>(this, library))
{
    connect(&m_state->poll, &QTimer::timeout, this, [this] { m_state->updateHeard(); });
    connect(&m_state->output, &AudioOutput::failed, this, [this](const QString &message) {
        m_state->decoder.stop();
        m_state->lastRequest = 0;
        m_state->setStatus(Status::Stopped);
        emit outputFailed(message);
    });
    connect(&m_state->output, &AudioOutput::streamStarted, this, &Player::soundStarted, Qt::QueuedConnection);
}

Player::~Player() = default;

void Player::setDefaults(const TimingDefaults &defaults)
{
    m_state->defaults = defaults;
}

void Player::setRepeat(bool repeat)
{
    if (m_state->repeat == repeat)
        return;
    m_state->repeat = repeat;
    m_state->decoder.setRepeat(repeat);
    emit repeatChanged(repeat);
}

bool Player::repeat() const
{
    return m_state->repeat;
}

void Player::setQueue(const QList<TrackRef> &tracks)
{
    stop();
    m_state->queue = tracks;
    const bool hadTrack = m_state->index >= 0;
    m_state->clearHeard(-1);
    emit queueChanged();
    if (hadTrack)
        emit currentChanged(-1);
}

const QList<TrackRef> &Player::queue() const
{
    return m_state->queue;
}

void Player::setVolume(double volume)
{
    volume = std::clamp(volume, 0.0, 1.0);
    if (volume == m_state->volume)
        return;
    m_state->volume = volume;
    m_state->output.setVolume(volume);
    emit volumeChanged(volume);
}

double Player::volume() const
{
    return m_state->volume;
}

void Player::playAt(int index)
{
    if (index < 0 || index >= m_state->queue.size())
        return;
    if (!m_state->output.isOpen()) {
        if (!m_state->output.open()) {
            stop();
            emit outputFailed(m_state->output.error());
            return;
        }
        m_state->output.setVolume(m_state->volume);
    }
    m_state->output.resume();
    m_state->clearHeard(index);
    m_state->announce = true;
    m_state->request(index, 0);
    m_state->setStatus(Status::Playing);
}

void Player::play()
{
    if (m_state->status == Status::Paused) {
        m_state->output.resume();
        m_state->setStatus(Status::Playing);
    } else if (m_state->status == Status::Stopped) {
        playAt(std::max(m_state->index, 0));
    }
}

void Player::pause()
{
    if (m_state->status != Status::Playing)
        return;
    m_state->output.suspend();
    m_state->setStatus(Status::Paused);
}

void Player::playPause()
{
    if (m_state->status == Status::Playing)
        pause();
    else
        play();
}

void Player::stop()
{
    if (m_state->status == Status::Stopped)
        return;
    m_state->lastRequest = m_state->decoder.stop();
    m_state->positionFrames = 0;
    m_state->setStatus(Status::Stopped);
}

void Player::next()
{
    if (!hasNext()) {
        stop();
        return;
    }
    playAt(m_state->index + 1 < m_state->queue.size() ? m_state->index + 1 : 0);
}

void Player::previous()
{
    const int index = m_state->index;
    if (index < 0)
        return;
    if (positionMs() > kRestartWithinMs || !hasPrevious())
        playAt(index);
    else
        playAt(index > 0 ? index - 1 : int(m_state->queue.size()) - 1);
}

bool Player::hasNext() const
{
    return m_state->index >= 0 && (m_state->index + 1 < m_state->queue.size() || m_state->repeat);
}

bool Player::hasPrevious() const
{
    return m_state->index > 0 || (m_state->index == 0 && m_state->repeat);
}

void Player::seekBy(qint64 offsetMs)
{
    setPosition(positionMs() + offsetMs);
}

void Player::setPosition(qint64 positionMs)
{
    if (m_state->status == Status::Stopped || m_state->index < 0)
        return;
    qint64 frame = std::max<qint64>(positionMs, 0) * kFramesPerMs;
    if (m_state->timingKnown && !m_state->timing.endless)
        frame = std::min(frame, m_state->timing.totalFrames());
    m_state->positionFrames = frame;
    m_state->heardStart = -1;
    m_state->request(m_state->index, frame);
    emit seeked(frame / kFramesPerMs);
}

void Player::setVoiceMuted(int voice, bool muted)
{
    if (voice < 0 || voice >= SpcRenderer::kVoices)
        return;
    if (muted)
        m_state->mutedVoices |= 1 << voice;
    else
        m_state->mutedVoices &= ~(1 << voice);
    m_state->decoder.setMutedVoices(m_state->mutedVoices);
}

bool Player::isVoiceMuted(int voice) const
{
    return voice >= 0 && voice < SpcRenderer::kVoices && (m_state->mutedVoices & (1 << voice));
}

Player::Status Player::status() const
{
    return m_state->status;
}

int Player::currentIndex() const
{
    return m_state->index;
}

qint64 Player::positionMs() const
{
    return m_state->positionFrames / kFramesPerMs;
}

qint64 Player::lengthMs() const
{
    return m_state->timingKnown ? m_state->timing.totalMs() : -1;
}

SpcTags Player::currentTags() const
{
    return m_state->tags;
}
