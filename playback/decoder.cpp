// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "decoder.h"

#include "audio_output.h"
#include "spc_renderer.h"
#include "track_bytes.h"

#include <QFuture>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Rendered at a time: a new request waits at most this long for the renderer.
constexpr qint64 kChunkFrames = 1024;
constexpr auto kRoomWait = std::chrono::milliseconds(100);
// A seek emulates every frame before its target; it goes in strides of this
// many, so that a newer request (or the Player's end) need not wait for a
// long one to finish.
constexpr qint64 kSeekStride = 10 * kSpcSampleRate;

using CancelToken = std::shared_ptr<std::atomic<bool>>;

SpcTags TagsOf(const QByteArray &bytes)
{
    const QByteArrayView all(bytes);
    return ParseSpcTags(all.first(std::min(all.size(), spc::kHeaderSize)),
                        all.size() > spc::kXid6Offset ? all.sliced(spc::kXid6Offset) : QByteArrayView());
}

struct Command {
    quint64 number = 0;
    bool play = false; // else stop
    PlayRequest request;
};

} // namespace

struct Decoder::State {
    State(const UnrarFunctions *library, AudioOutput &output, FailureHandler onFailure)
        : output(output)
        , cache(library)
        , onFailure(std::move(onFailure))
        , chunk(std::size_t(kChunkFrames * SpcRenderer::kChannels))
    {
        pool.setMaxThreadCount(1);
    }

    quint64 post(bool play, const PlayRequest &request);
    void run();
    bool begin(const Command &command);
    bool halt(quint64 number);
    bool startTrack(int index, qint64 frame);
    bool feed();
    bool seek(qint64 frame);
    bool endOfQueue();
    TrackBytes fetch(int index);
    void prefetch(int index);
    void dropPrefetch();
    int nextIndex(int index) const;
    void applyMutes();
    template<typename F>
    void editReport(F &&edit);

    // Shared with the Player's thread.
    std::mutex mutex;
    std::condition_variable wake;
    quint64 requests = 0;
    std::optional<Command> pending;
    CancelToken cancel = std::make_shared<std::atomic<bool>>(false); // the newest request's
    bool quit = false;
    std::atomic<bool> repeat = false;
    std::atomic<int> mutedVoices = 0;
    mutable std::mutex reportMutex;
    StreamReport report;

    // The decoder thread's own.
    AudioOutput &output;
    TrackBytesCache cache;
    FailureHandler onFailure;
    SpcRenderer renderer;
    PlayRequest current; // the queue and defaults being played
    CancelToken token = cancel;
    int openIndex = -1; // the track open in the renderer
    TrackRef openTrack;
    SpcTags openTags;
    TrackTiming openTiming;
    int appliedMutes = 0;
    qint64 written = 0; // frames pushed into this stream
    int fruitless = 0;  // tracks started since the last frame rendered
    std::vector<qint16> chunk;
    qint64 chunkFrames = 0; // rendered into chunk
    qint64 chunkPushed = 0; // of which the output has taken
    QThreadPool pool;
    QFuture<TrackBytes> prefetched;
    int prefetchedIndex = -1;
    std::thread thread; // last: it starts once everything above exists
};

// A newer request cancels the running one's fetches and wakes the thread
// wherever it waits.
quint64 Decoder::State::post(bool play, const PlayRequest &request)
{
    quint64 number = 0;
    {
        std::lock_guard lock(mutex);
        number = ++requests;
        pending = Command{number, play, request};
        cancel->store(true);
        cancel = std::make_shared<std::atomic<bool>>(false);
    }
    wake.notify_all();
    output.interruptWait();
    return number;
}

void Decoder::State::run()
{
    bool streaming = false;
    for (;;) {
        std::optional<Command> command;
        {
            std::unique_lock lock(mutex);
            if (!streaming)
                wake.wait(lock, [&] { return quit || pending; });
            if (quit)
                return;
            command.swap(pending);
            if (command)
                token = cancel;
        }
        if (command)
            streaming = command->play ? begin(*command) : halt(command->number);
        else
            streaming = feed();
    }
}

bool Decoder::State::begin(const Command &command)
{
    const PlayRequest &request = command.request;
    const bool sameTrack = openIndex >= 0 && request.index == openIndex && request.index < request.queue.size()
        && request.queue[request.index] == openTrack && request.defaults.lengthMs == current.defaults.lengthMs
        && request.defaults.fadeMs == current.defaults.fadeMs && request.defaults.endless == current.defaults.endless;
    current = request;
    dropPrefetch();
    written = chunkFrames = chunkPushed = 0;
    fruitless = 0;
    const quint64 epoch = output.newStream();
    editReport([&](StreamReport &report) { report = {command.number, epoch, {}, false}; });
    if (!sameTrack)
        return startTrack(request.index, request.frame);
    // A seek within the open track: the renderer moves on from where it is.
    if (!seek(request.frame))
        return false;
    editReport([&](StreamReport &report) {
        report.tracks.append({openIndex, 0, renderer.position(), -1, openTags, openTiming});
    });
    prefetch(nextIndex(openIndex));
    return true;
}

bool Decoder::State::halt(quint64 number)
{
    dropPrefetch();
    output.stopStream();
    editReport([&](StreamReport &report) { report = {number, 0, {}, false}; });
    return false;
}

bool Decoder::State::startTrack(int index, qint64 frame)
{
    while (index >= 0 && index < current.queue.size() && fruitless < current.queue.size()) {
        ++fruitless;
        const TrackBytes bytes = fetch(index);
        if (token->load())
            return false; // a newer request is waiting
        QString error = bytes.error;
        if (bytes.ok()) {
            const SpcTags tags = TagsOf(bytes.data);
            const TrackTiming timing = TimingOf(tags, current.defaults);
            if (renderer.open(bytes.data, timing)) {
                openIndex = index;
                openTrack = current.queue[index];
                openTags = tags;
                openTiming = timing;
                appliedMutes = 0; // a track opens with every voice on
                applyMutes();
                if (!seek(frame))
                    return false;
                editReport([&](StreamReport &report) {
                    report.tracks.append({index, written, renderer.position(), -1, tags, timing});
                });
                prefetch(nextIndex(index));
                return true;
            }
            error = renderer.error();
        }
        openIndex = -1;
        onFailure(index, error.isEmpty() ? QStringLiteral("The track cannot be played") : error);
        index = nextIndex(index);
        frame = 0;
    }
    return endOfQueue();
}

bool Decoder::State::feed()
{
    if (chunkPushed == chunkFrames) {
        applyMutes();
        chunkFrames = renderer.render(chunk.data(), kChunkFrames);
        chunkPushed = 0;
        if (chunkFrames == 0) {
            editReport([&](StreamReport &report) {
                if (!report.tracks.isEmpty())
                    report.tracks.last().endFrame = written;
            });
            return startTrack(nextIndex(openIndex), 0);
        }
        fruitless = 0;
    }
    const qint64 taken = output.push(chunk.data() + chunkPushed * SpcRenderer::kChannels, chunkFrames - chunkPushed);
    chunkPushed += taken;
    written += taken;
    if (taken == 0)
        output.waitForRoom(kRoomWait);
    return true;
}

// False when a newer request came meanwhile.
bool Decoder::State::seek(qint64 frame)
{
    if (frame < renderer.position())
        renderer.seek(0); // backwards: from the start again
    while (renderer.position() < frame) {
        if (token->load())
            return false;
        const qint64 before = renderer.position();
        renderer.seek(std::min(frame, before + kSeekStride));
        if (renderer.position() == before)
            break; // the track ends sooner
    }
    return true;
}

bool Decoder::State::endOfQueue()
{
    dropPrefetch();
    output.endStream();
    editReport([](StreamReport &report) { report.ended = true; });
    return false;
}

TrackBytes Decoder::State::fetch(int index)
{
    if (prefetchedIndex == index && prefetched.isValid()) {
        prefetched.waitForFinished();
        const TrackBytes bytes = prefetched.result();
        dropPrefetch();
        return bytes;
    }
    return cache.fetch(current.queue[index], token.get());
}

// The next track's bytes come while this one plays: unpacking a large solid
// archive must not starve the output.
void Decoder::State::prefetch(int index)
{
    dropPrefetch();
    if (index < 0)
        return;
    prefetchedIndex = index;
    prefetched = QtConcurrent::run(
        &pool, [this, track = current.queue[index], token = token] { return cache.fetch(track, token.get()); });
}

void Decoder::State::dropPrefetch()
{
    prefetched = {}; // a fetch still running ends in the pool; the cache keeps its bytes
    prefetchedIndex = -1;
}

int Decoder::State::nextIndex(int index) const
{
    if (index + 1 < current.queue.size())
        return index + 1;
    return repeat && !current.queue.isEmpty() ? 0 : -1;
}

void Decoder::State::applyMutes()
{
    const int mask = mutedVoices;
    if (mask == appliedMutes || !renderer.isOpen())
        return;
    for (int voice = 0; voice < SpcRenderer::kVoices; ++voice)
        renderer.setVoiceMuted(voice, mask & (1 << voice));
    appliedMutes = mask;
}

// Every change to the report goes through here; tracks heard to their end
// are dropped, so that a long gapless run keeps it short.
template<typename F>
void Decoder::State::editReport(F &&edit)
{
    const AudioOutput::Heard heard = output.heard();
    std::lock_guard lock(reportMutex);
    edit(report);
    QList<StreamTrack> &tracks = report.tracks;
    while (heard.epoch == report.epoch && tracks.size() > 1 && tracks.first().endFrame >= 0
           && tracks.first().endFrame <= heard.frames)
        tracks.removeFirst();
}

Decoder::Decoder(const UnrarFunctions *library, AudioOutput &output, FailureHandler onFailure)
    : m_state(std::make_unique<State>(library, output, std::move(onFailure)))
{
    m_state->thread = std::thread([state = m_state.get()] { state->run(); });
}

Decoder::~Decoder()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->quit = true;
        m_state->cancel->store(true);
    }
    m_state->wake.notify_all();
    m_state->output.interruptWait();
    m_state->thread.join();
    m_state->dropPrefetch();
    m_state->pool.waitForDone();
}

quint64 Decoder::play(const PlayRequest &request)
{
    return m_state->post(true, request);
}

quint64 Decoder::stop()
{
    return m_state->post(false, {});
}

void Decoder::setRepeat(bool repeat)
{
    m_state->repeat = repeat;
}

void Decoder::setMutedVoices(int voiceMask)
{
    m_state->mutedVoices = voiceMask;
}

StreamReport Decoder::report() const
{
    std::lock_guard lock(m_state->reportMutex);
    return m_state->report;
}
