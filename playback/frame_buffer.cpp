// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "frame_buffer.h"

#include <algorithm>
#include <cstring>

FrameBuffer::FrameBuffer(qint64 capacityFrames, QObject *parent)
    : QIODevice(parent)
    , m_ring(std::size_t(std::max<qint64>(capacityFrames, 1) * kChannels))
{
    // Unbuffered: QIODevice must not read ahead, or frames taken would not
    // be frames handed to the sink.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 FrameBuffer::push(const qint16 *frames, qint64 frameCount)
{
    bool wake = false;
    qint64 taken = 0;
    {
        std::lock_guard lock(m_mutex);
        const qint64 capacity = qint64(m_ring.size()) / kChannels;
        taken = std::min(frameCount, capacity - queuedLocked());
        for (qint64 done = 0; done < taken;) {
            const qint64 at = (m_written + done) % capacity;
            const qint64 run = std::min(taken - done, capacity - at);
            std::memcpy(&m_ring[std::size_t(at * kChannels)], frames + done * kChannels,
                        std::size_t(run * kBytesPerFrame));
            done += run;
        }
        m_written += taken;
        wake = taken > 0 && m_starved && m_admitted;
        if (wake)
            m_starved = false;
    }
    if (wake)
        emit readyRead(); // queued to the sink's thread
    return taken;
}

void FrameBuffer::waitForRoom(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    const qint64 capacity = qint64(m_ring.size()) / kChannels;
    m_room.wait_for(lock, timeout, [&] { return m_interrupted || queuedLocked() < capacity; });
    m_interrupted = false;
}

void FrameBuffer::interrupt()
{
    std::lock_guard lock(m_mutex);
    m_interrupted = true;
    m_room.notify_all();
}

quint64 FrameBuffer::clear()
{
    std::lock_guard lock(m_mutex);
    m_written = m_read = 0;
    m_admitted = m_ended = m_starved = false;
    m_room.notify_all();
    return ++m_epoch;
}

void FrameBuffer::endStream()
{
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
        wake = m_starved && m_admitted;
        m_starved = false;
    }
    if (wake)
        emit readyRead(); // lets the sink see the end and drain
}

bool FrameBuffer::admit(quint64 epoch)
{
    std::lock_guard lock(m_mutex);
    if (epoch != m_epoch)
        return false;
    m_admitted = true;
    return true;
}

quint64 FrameBuffer::epoch() const
{
    std::lock_guard lock(m_mutex);
    return m_epoch;
}

qint64 FrameBuffer::handedFrames() const
{
    std::lock_guard lock(m_mutex);
    return m_read;
}

qint64 FrameBuffer::bytesAvailable() const
{
    std::lock_guard lock(m_mutex);
    return m_admitted ? queuedLocked() * kBytesPerFrame : 0;
}

bool FrameBuffer::atEnd() const
{
    std::lock_guard lock(m_mutex);
    return m_admitted && m_ended && queuedLocked() == 0;
}

qint64 FrameBuffer::readData(char *data, qint64 maxSize)
{
    std::unique_lock lock(m_mutex);
    const qint64 capacity = qint64(m_ring.size()) / kChannels;
    const qint64 count = m_admitted ? std::min(maxSize / kBytesPerFrame, queuedLocked()) : 0;
    for (qint64 done = 0; done < count;) {
        const qint64 at = (m_read + done) % capacity;
        const qint64 run = std::min(count - done, capacity - at);
        std::memcpy(data + done * kBytesPerFrame, &m_ring[std::size_t(at * kChannels)],
                    std::size_t(run * kBytesPerFrame));
        done += run;
    }
    const bool first = m_read == 0 && count > 0;
    const quint64 epoch = m_epoch;
    m_read += count;
    if (count == 0)
        m_starved = true;
    else
        m_room.notify_all();
    lock.unlock();
    if (first)
        emit firstFramesTaken(epoch);
    return count * kBytesPerFrame;
}
