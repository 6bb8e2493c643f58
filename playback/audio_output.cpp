// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "audio_output.h"

#include "frame_buffer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <mutex>

namespace {

constexpr int kHeardUpdateMs = 10;
// A stream whose end was handed on but whose played time stands still this
// long (a device that stopped reporting) counts as heard, so nothing waits
// for ever.
constexpr qint64 kStalledEndMs = 1000;
// What the clock allows the heard position to gain, over its own reading.
constexpr qint64 kHeardSlackFrames = AudioOutput::kSampleRate / 1000;

QAudioFormat OutputFormat()
{
    QAudioFormat format;
    format.setSampleRate(AudioOutput::kSampleRate);
    format.setChannelCount(AudioOutput::kChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

QString SinkFailure(QAudio::Error error)
{
    switch (error) {
    case QAudio::OpenError:
        return QObject::tr("The sound device could not be opened.");
    case QAudio::IOError:
        return QObject::tr("The sound device stopped taking sound.");
    case QAudio::FatalError:
        return QObject::tr("The sound server is gone or refused to play.");
    default:
        return {};
    }
}

// Lives on the sink's thread: every QAudioSink call is made there.
class SinkDriver : public QObject {
    Q_OBJECT
public:
    SinkDriver(const QAudioDevice &device, FrameBuffer *buffer)
        : m_device(device)
        , m_buffer(buffer)
        , m_heardTimer(this) // moves to the sink's thread with the driver
    {
        m_heardTimer.setInterval(kHeardUpdateMs);
        connect(&m_heardTimer, &QTimer::timeout, this, &SinkDriver::updateHeard);
    }

    AudioOutput::Heard heard() const
    {
        std::lock_guard lock(m_heardMutex);
        return m_heard;
    }
    void resetHeard(quint64 epoch)
    {
        std::lock_guard lock(m_heardMutex);
        m_heard = {epoch, 0};
    }

    void startStream(quint64 epoch)
    {
        if (!m_sink) {
            m_sink = std::make_unique<QAudioSink>(m_device, OutputFormat());
            connect(m_sink.get(), &QAudioSink::stateChanged, this, &SinkDriver::checkError);
        }
        m_sink->stop(); // the older stream's unheard frames go with it
        if (!m_buffer->admit(epoch))
            return; // a newer stream was asked for; its own start follows
        m_epoch = epoch;
        m_reported = false;
        m_lastHeard = -1;
        m_sampled.start();
        m_sink->setBufferSize(
            qsizetype(AudioOutput::kSinkBufferMs * AudioOutput::kSampleRate / 1000 * FrameBuffer::kBytesPerFrame));
        m_sink->setVolume(m_volume);
        m_sink->start(m_buffer);
        checkError();
        if (m_paused)
            m_sink->suspend();
        m_heardTimer.start();
    }
    void stopStream()
    {
        m_heardTimer.stop();
        if (m_sink)
            m_sink->stop();
    }
    // Sticky: a stream started while paused waits for resume().
    void suspend()
    {
        m_paused = true;
        if (m_sink)
            m_sink->suspend();
    }
    void resume()
    {
        m_paused = false;
        if (m_sink)
            m_sink->resume();
    }
    void setVolume(double volume)
    {
        m_volume = volume;
        if (m_sink)
            m_sink->setVolume(volume);
    }

signals:
    void failed(const QString &message);

private:
    void checkError()
    {
        const QString message = m_sink ? SinkFailure(m_sink->error()) : QString();
        if (message.isEmpty() || m_reported)
            return;
        m_reported = true;
        m_heardTimer.stop();
        emit failed(message);
    }

    void updateHeard()
    {
        if (!m_sink || m_buffer->epoch() != m_epoch)
            return;
        const qint64 handed = m_buffer->handedFrames();
        const qint64 processed = m_sink->processedUSecs() * AudioOutput::kSampleRate / 1000000;
        qint64 frames = std::clamp<qint64>(processed, 0, handed);
        if (m_paused) {
            m_lastHeard = -1; // a pause is no stall
        } else if (m_buffer->atEnd() && frames < handed) {
            if (frames != m_lastHeard) {
                m_lastHeard = frames;
                m_stillSince.start();
            } else if (m_stillSince.elapsed() > kStalledEndMs) {
                frames = handed;
            }
        }
        // The sink's processed time runs ahead for a moment after a resume
        // (it extrapolates from timing taken before the pause); what is
        // heard never moves faster than the clock.
        const qint64 elapsedNs = m_sampled.nsecsElapsed();
        m_sampled.restart();
        std::lock_guard lock(m_heardMutex);
        if (m_heard.epoch != m_epoch)
            return;
        const qint64 reachable = m_heard.frames + kHeardSlackFrames
            + elapsedNs * AudioOutput::kSampleRate / 1000000000 * 102 / 100;
        m_heard.frames = std::max(m_heard.frames, std::min(frames, reachable));
    }

    QAudioDevice m_device;
    FrameBuffer *m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
    QTimer m_heardTimer;
    quint64 m_epoch = 0;
    double m_volume = 1.0;
    bool m_paused = false;
    bool m_reported = false;
    qint64 m_lastHeard = -1;
    QElapsedTimer m_stillSince;
    QElapsedTimer m_sampled; // when the heard position was last looked at

    mutable std::mutex m_heardMutex;
    AudioOutput::Heard m_heard;
};

} // namespace

struct AudioOutput::Sink {
    QThread thread;
    FrameBuffer buffer{kBufferMs * kSampleRate / 1000};
    SinkDriver *driver = nullptr; // on thread, deleted there

    template<typename F>
    void post(F &&call)
    {
        QMetaObject::invokeMethod(driver, std::forward<F>(call), Qt::QueuedConnection);
    }
};

AudioOutput::AudioOutput(QObject *parent)
    : QObject(parent)
{
}

AudioOutput::~AudioOutput()
{
    if (!m_sink)
        return;
    m_sink->buffer.interrupt();
    SinkDriver *driver = m_sink->driver;
    QMetaObject::invokeMethod(
        driver, [driver] { delete driver; }, Qt::BlockingQueuedConnection);
    m_sink->thread.quit();
    m_sink->thread.wait();
}

bool AudioOutput::open()
{
    if (m_sink)
        return true;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        m_error = tr("No sound output: there is no audio device, or no sound server (PulseAudio or PipeWire) "
                     "is running.");
        return false;
    }
    if (!device.isFormatSupported(OutputFormat())) {
        m_error = tr("The sound device \"%1\" cannot play 32,000 Hz 16-bit stereo sound.").arg(device.description());
        return false;
    }
    m_error.clear();
    m_sink = std::make_unique<Sink>();
    m_sink->thread.setObjectName(QStringLiteral("audio output"));
    m_sink->buffer.moveToThread(&m_sink->thread);
    m_sink->driver = new SinkDriver(device, &m_sink->buffer);
    m_sink->driver->moveToThread(&m_sink->thread);
    connect(m_sink->driver, &SinkDriver::failed, this, &AudioOutput::failed);
    connect(&m_sink->buffer, &FrameBuffer::firstFramesTaken, this, &AudioOutput::streamStarted, Qt::DirectConnection);
    m_sink->thread.start();
    return true;
}

bool AudioOutput::isOpen() const
{
    return m_sink != nullptr;
}

quint64 AudioOutput::newStream()
{
    if (!m_sink)
        return 0;
    const quint64 epoch = m_sink->buffer.clear();
    m_sink->driver->resetHeard(epoch);
    SinkDriver *driver = m_sink->driver;
    m_sink->post([driver, epoch] { driver->startStream(epoch); });
    return epoch;
}

qint64 AudioOutput::push(const qint16 *frames, qint64 frameCount)
{
    return m_sink ? m_sink->buffer.push(frames, frameCount) : 0;
}

void AudioOutput::waitForRoom(std::chrono::milliseconds timeout)
{
    if (m_sink)
        m_sink->buffer.waitForRoom(timeout);
}

void AudioOutput::interruptWait()
{
    if (m_sink)
        m_sink->buffer.interrupt();
}

void AudioOutput::endStream()
{
    if (m_sink)
        m_sink->buffer.endStream();
}

void AudioOutput::suspend()
{
    if (m_sink)
        m_sink->post([driver = m_sink->driver] { driver->suspend(); });
}

void AudioOutput::resume()
{
    if (m_sink)
        m_sink->post([driver = m_sink->driver] { driver->resume(); });
}

void AudioOutput::stopStream()
{
    if (!m_sink)
        return;
    m_sink->driver->resetHeard(m_sink->buffer.clear());
    m_sink->post([driver = m_sink->driver] { driver->stopStream(); });
}

void AudioOutput::setVolume(double volume)
{
    if (m_sink)
        m_sink->post([driver = m_sink->driver, volume = std::clamp(volume, 0.0, 1.0)] { driver->setVolume(volume); });
}

AudioOutput::Heard AudioOutput::heard() const
{
    return m_sink ? m_sink->driver->heard() : Heard{};
}

#include "audio_output.moc"
