// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The default audio output at 32,000 Hz, 16-bit stereo. A QAudioSink on a
// thread of its own pulls frames from a FrameBuffer that one producer thread
// keeps filled, so a busy window never starves it. Each stream counts its
// frames from 0; heard() says how far the listener has got, as played (the
// sink's processed time, which allows for the device's latency), not as
// handed to the device.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class AudioOutput : public QObject {
    Q_OBJECT
public:
    static constexpr int kSampleRate = 32000;
    static constexpr int kChannels = 2;
    // Frames waiting here, then in the sound server: enough for the decoder
    // to start the next track or take a long stride without a gap, short
    // enough that a muted voice falls silent soon.
    static constexpr qint64 kBufferMs = 250;
    static constexpr qint64 kSinkBufferMs = 150;

    explicit AudioOutput(QObject *parent = nullptr);
    ~AudioOutput() override;

    // Finds the default device and starts the sink's thread; false with
    // error() saying why (no device or sound server, or a device that cannot
    // play the format). Nothing plays until the first newStream().
    bool open();
    bool isOpen() const;
    QString error() const { return m_error; }

    // Producer side, from one thread at a time.
    // Drops every frame not yet heard and starts a new stream; returns its epoch.
    quint64 newStream();
    // Takes what fits of frameCount interleaved frames; returns how many.
    qint64 push(const qint16 *frames, qint64 frameCount);
    // Waits for room, at most timeout or until interruptWait().
    void waitForRoom(std::chrono::milliseconds timeout);
    void interruptWait();
    // The stream has no more frames: the sink plays out what it holds.
    void endStream();

    // Controls, from any thread; they act on the sink's thread soon after.
    // A stream begun while suspended waits for resume().
    void suspend();
    void resume();
    void stopStream(); // drops everything; silent until the next newStream()
    void setVolume(double volume);

    struct Heard {
        quint64 epoch = 0;
        qint64 frames = 0; // of that stream, played out
    };
    Heard heard() const;

signals:
    // The first frames of a stream went to the sound device (on the sink's thread).
    void streamStarted(quint64 epoch);
    // The sound device or server failed; nothing plays until the next stream.
    void failed(const QString &message);

private:
    struct Sink;
    std::unique_ptr<Sink> m_sink;
    QString m_error;
};
