// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "track_timing.h"

#include <algorithm>

namespace {
// Tags may claim anything (xid6 reaches years); this keeps every frame count
// and sum far from overflowing.
constexpr qint64 kLongestMs = qint64(1000) * 3600 * 1000;

qint64 framesOf(qint64 ms)
{
    return std::clamp<qint64>(ms, 0, kLongestMs) * kFramesPerMs;
}
} // namespace

TrackTiming TimingOf(const SpcTags &tags, const TimingDefaults &defaults)
{
    TrackTiming timing;
    if (defaults.endless) {
        timing.endless = true;
        return timing;
    }
    // A tag with no length says nothing about its fade either; a tag with a
    // length and a fade of 0 is a jingle that ends at full level.
    const bool tagged = tags.playMs > 0;
    const qint64 playMs = tagged ? tags.playMs : defaults.lengthMs;
    const qint64 fadeMs = tagged && tags.fadeMs >= 0 ? tags.fadeMs : defaults.fadeMs;
    timing.playFrames = framesOf(playMs);
    timing.fadeFrames = framesOf(fadeMs);
    return timing;
}
