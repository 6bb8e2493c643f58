// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// One SPC track rendered to 16-bit stereo frames at 32,000 Hz by libgme's
// SPC emulator alone (a file posing as an SPC never reaches its other
// emulators), with the length and fade applied here, exactly: a track of
// L ms + F ms gives (L + F) * 32 frames, never one more. libgme's own track
// limit and silence detection stay off (the limit divides by zero at the
// end of a track with a short fade in 0.6.3).
#pragma once

#include "track_timing.h"

#include <QByteArrayView>
#include <QString>

#include <memory>

class SpcRenderer {
public:
    static constexpr int kChannels = 2;
    static constexpr int kVoices = 8;

    SpcRenderer();
    ~SpcRenderer();
    SpcRenderer(const SpcRenderer &) = delete;
    SpcRenderer &operator=(const SpcRenderer &) = delete;

    // Loads a track (the bytes are copied); false with error() saying why
    // when it is not an SPC file libgme can play. Voices start unmuted.
    bool open(QByteArrayView spcFile, const TrackTiming &timing);
    QString error() const { return m_error; }
    bool isOpen() const;

    // Writes up to frameCount frames (interleaved left, right) and returns
    // how many: fewer only at the track's end, 0 once it has ended.
    qint64 render(qint16 *frames, qint64 frameCount);

    // Moves to frame (clamped to the track); the emulator runs forward from
    // the start or from where it is, so a seek costs emulation time.
    bool seek(qint64 frame);
    qint64 position() const { return m_position; }
    const TrackTiming &timing() const { return m_timing; }

    // Voices 0 to 7; a muted voice is silent from the next frame rendered.
    void setVoiceMuted(int voice, bool muted);
    bool isVoiceMuted(int voice) const;

private:
    // Lowers the frames that fall in the fade; firstFrame is the first one's place in the track.
    void applyFade(qint16 *frames, qint64 count, qint64 firstFrame) const;

    struct Emulator;
    std::unique_ptr<Emulator> m_emulator;
    TrackTiming m_timing;
    qint64 m_position = 0;
    int m_mutedVoices = 0;
    QString m_error;
};
