// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The Player's decoder thread: fetches a track's bytes, reads its tags and
// timing, renders it and keeps the audio output's buffer full; at a track's
// end the next one (already fetched in the background) continues the same
// stream from the very next frame. It says where each track lies in the
// stream, so that the Player can tell which one is being heard. The renderer
// lives on this thread alone.
#pragma once

#include "spc_tags.h"
#include "track_list.h"
#include "track_timing.h"
#include "unrar_library.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class AudioOutput;

// One track as it lies in the output's current stream.
struct StreamTrack {
    int index = -1;         // in the queue
    qint64 streamFrame = 0; // where its first frame lies in the stream
    qint64 firstFrame = 0;  // which of its own frames that is (where a seek put it)
    qint64 endFrame = -1;   // the stream frame after its last; -1 while it goes on
    SpcTags tags;
    TrackTiming timing;
};

// What the decoder has put into the output's current stream.
struct StreamReport {
    quint64 request = 0; // the play request it answers
    quint64 epoch = 0;   // the output stream it fills; 0 until it has begun
    QList<StreamTrack> tracks;
    bool ended = false; // no track follows the last one
};

struct PlayRequest {
    QList<TrackRef> queue;
    int index = 0;    // the track to start
    qint64 frame = 0; // where in it
    TimingDefaults defaults;
};

class Decoder {
public:
    // Called on the decoder thread for a track that cannot play; it is skipped.
    using FailureHandler = std::function<void(int index, const QString &message)>;

    Decoder(const UnrarFunctions *library, AudioOutput &output, FailureHandler onFailure);
    ~Decoder(); // the thread and any background fetch end first
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Each drops what was queued for the output; returns the request's number.
    quint64 play(const PlayRequest &request);
    quint64 stop();

    void setRepeat(bool repeat);        // after the last track, the first
    void setMutedVoices(int voiceMask); // from the next frames rendered
    StreamReport report() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
