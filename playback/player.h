// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Plays a queue of tracks on the default audio output, gaplessly: a decoder
// thread fetches each track's bytes, renders it and keeps the output fed,
// the next track's first frame following the last frame of the one before.
// Serves the window and the terminal player alike; everything here is
// called from the thread that owns the Player, and its signals arrive there.
#pragma once

#include "spc_tags.h"
#include "track_list.h"
#include "track_timing.h"
#include "unrar_library.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class Player : public QObject {
    Q_OBJECT
public:
    enum class Status { Stopped, Playing, Paused };
    Q_ENUM(Status)

    // library unpacks archive members; nullptr plays lone SPC files only.
    explicit Player(const UnrarFunctions *library, QObject *parent = nullptr);
    // Stops cleanly: the decoder thread and the output end before it returns.
    ~Player() override;

    void setDefaults(const TimingDefaults &defaults); // for tracks started from now on
    void setRepeat(bool repeat);                      // after the last track, the first again
    bool repeat() const;
    void setQueue(const QList<TrackRef> &tracks); // stops what plays
    const QList<TrackRef> &queue() const;
    void setVolume(double volume); // 0 to 1, of the sound as rendered
    double volume() const;

    void playAt(int index); // starts the queue's index-th track now
    void play();            // resumes, or starts the current (first) track
    void pause();
    void playPause();
    void stop();
    void next();
    void previous(); // past the first 3 s of a track: to its start
    bool hasNext() const;
    bool hasPrevious() const;
    void seekBy(qint64 offsetMs);
    void setPosition(qint64 positionMs);
    void setVoiceMuted(int voice, bool muted); // voices 0 to 7, for every track from now on
    bool isVoiceMuted(int voice) const;

    Status status() const;
    int currentIndex() const;  // the track being heard, or asked for (-1 when none)
    qint64 positionMs() const; // where the listener is in it, as heard
    qint64 lengthMs() const;   // its length with the fade; -1 endless or unknown
    SpcTags currentTags() const;

signals:
    void statusChanged(Player::Status status);
    void currentChanged(int index); // a new track is heard (its tags are known); -1: none any more
    void queueChanged();
    void volumeChanged(double volume);
    void repeatChanged(bool repeat);
    void soundStarted(); // the first frames after a play request or a seek went to the sound device
    void seeked(qint64 positionMs);
    void trackFailed(int index, const QString &message); // skipped: missing, damaged, not an SPC
    void finished();                                     // the end of the last track has been heard
    void outputFailed(const QString &message);           // no audio device or sound server

private:
    struct State;
    std::unique_ptr<State> m_state;
};
