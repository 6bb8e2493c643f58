// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes as an SPC file through the renderer: open, render a
// bounded stretch, seek back and forth, render to the end. Whatever the
// input, the renderer either refuses it with a message or gives exactly
// the frames its timing asks for, ending at silence when it fades, and a
// seek lands where it was asked to.
#include "spc_renderer.h"

#include <QByteArrayView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
void check(bool condition, unsigned line = __builtin_LINE())
{
    if (!condition) {
        std::fprintf(stderr, "broken at fuzz_render.cpp:%u\n", line);
        std::abort();
    }
}

// The tags' timing, cut short so that one input costs milliseconds of
// emulation; the tags still choose whether and how long it fades.
TrackTiming boundedTiming(QByteArrayView file)
{
    const QByteArrayView header = file.first(std::min<qsizetype>(file.size(), spc::kHeaderSize));
    const QByteArrayView xid6 = file.size() > spc::kXid6Offset ? file.sliced(spc::kXid6Offset) : QByteArrayView();
    TimingDefaults defaults;
    defaults.lengthMs = 150;
    defaults.fadeMs = 100;
    TrackTiming timing = TimingOf(ParseSpcTags(header, xid6), defaults);
    timing.playFrames = std::min<qint64>(timing.playFrames, 150 * kFramesPerMs);
    timing.fadeFrames = std::min<qint64>(timing.fadeFrames, 100 * kFramesPerMs);
    return timing;
}

qint64 renderAll(SpcRenderer &renderer, std::vector<qint16> &frames)
{
    qint64 total = 0;
    for (qint64 got; (got = renderer.render(frames.data(), qint64(frames.size()) / 2)) > 0;)
        total += got;
    return total;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView file(reinterpret_cast<const char *>(data), qsizetype(size));
    const TrackTiming timing = boundedTiming(file);
    SpcRenderer renderer;
    if (!renderer.open(file, timing)) {
        check(!renderer.error().isEmpty() && !renderer.isOpen());
        return 0;
    }
    const qint64 total = timing.totalFrames();
    // The header's reserved bytes choose the muted voices.
    renderer.setVoiceMuted(int(data[0xD3] & 7), (data[0xD4] & 1) != 0);

    std::vector<qint16> frames(2 * 1000);
    const qint64 first = renderer.render(frames.data(), 1000);
    check(first == std::min<qint64>(1000, total));
    const qint64 back = total / 3;
    check(renderer.seek(back) && renderer.position() == back);
    check(renderAll(renderer, frames) == total - back && renderer.position() == total);
    if (timing.fadeFrames > 0 && total > 0) {
        check(renderer.seek(total - 1) && renderer.render(frames.data(), 1000) == 1);
        check(frames[0] == 0 && frames[1] == 0);
    }
    check(renderer.seek(total + 5) && renderer.position() == total);
    check(renderer.render(frames.data(), 1000) == 0);
    return 0;
}
