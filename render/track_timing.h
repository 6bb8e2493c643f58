// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// How long a track plays: its tags' play length, then a fade to silence over
// their fade length; tracks without a length get the listener's defaults.
// Everything counts in frames of the SNES's own 32,000 Hz.
#pragma once

#include "spc_tags.h"

#include <QtGlobal>

inline constexpr int kSpcSampleRate = 32000;
inline constexpr qint64 kFramesPerMs = kSpcSampleRate / 1000;

struct TimingDefaults {
    qint64 lengthMs = 180000; // a track without a length plays 3:00...
    qint64 fadeMs = 10000;    // ...and fades over 10 s
    bool endless = false;     // loop until the listener moves on

    // Beyond these a default asked for is a typing mistake, not a wish.
    static constexpr qint64 kLongestLengthSeconds = 24 * 60 * 60;
    static constexpr qint64 kLongestFadeMs = 10 * 60 * 1000;
};

struct TrackTiming {
    qint64 playFrames = 0; // at full level
    qint64 fadeFrames = 0; // then down to silence; 0 ends at full level
    bool endless = false;  // neither applies: the track never ends

    qint64 totalFrames() const { return endless ? -1 : playFrames + fadeFrames; }
    qint64 totalMs() const { return endless ? -1 : totalFrames() / kFramesPerMs; }
};

TrackTiming TimingOf(const SpcTags &tags, const TimingDefaults &defaults);
