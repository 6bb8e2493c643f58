// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The bounded queue between the decoder thread, which pushes 16-bit stereo
// frames, and the audio sink, which pulls them as a sequential QIODevice on
// its own thread. Each stream (from one clear() to the next) has an epoch, so
// that a sink still playing an older stream never takes the new one's frames.
#pragma once

#include <QIODevice>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class FrameBuffer : public QIODevice {
    Q_OBJECT
public:
    static constexpr int kChannels = 2;
    static constexpr qint64 kBytesPerFrame = kChannels * sizeof(qint16);

    explicit FrameBuffer(qint64 capacityFrames, QObject *parent = nullptr);

    // Producer side. push() takes what fits and returns how many frames.
    qint64 push(const qint16 *frames, qint64 frameCount);
    // Waits until there is room, interrupt() is called or timeout passes.
    void waitForRoom(std::chrono::milliseconds timeout);
    void interrupt();
    // Drops every frame and starts a new stream, closed to readers until
    // admit(epoch) of the epoch returned.
    quint64 clear();
    // No more frames in this stream: once drained, the device is at its end.
    void endStream();

    // Consumer side (the sink's thread). False when epoch is no longer the
    // current stream's.
    bool admit(quint64 epoch);
    quint64 epoch() const;
    // Frames the sink has taken in this stream.
    qint64 handedFrames() const;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override;

signals:
    // The sink took the first frames of the stream (on the sink's thread).
    void firstFramesTaken(quint64 epoch);

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    qint64 queuedLocked() const { return m_written - m_read; }

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::vector<qint16> m_ring; // capacity frames, interleaved
    qint64 m_written = 0;       // frames pushed in this stream
    qint64 m_read = 0;          // frames handed on in this stream
    quint64 m_epoch = 0;
    bool m_admitted = false;
    bool m_ended = false;
    bool m_starved = false; // a read found nothing: the next push says readyRead
    bool m_interrupted = false;
};
