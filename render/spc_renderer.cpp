// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "spc_renderer.h"

#include "track_bytes.h"

#include <gme/gme.h>

#include <algorithm>
#include <vector>

namespace {
constexpr char kSignature[] = "SNES-SPC700 Sound File Data";
// The header, the RAM, the DSP registers and the boot ROM area: all of it
// is loaded, so a file must hold all of it.
constexpr qsizetype kSmallestSpc = 0x10200;
// gme_play counts samples in an int; pieces of this many frames keep it small.
constexpr qint64 kPieceFrames = 4096;

struct EmuDeleter {
    void operator()(Music_Emu *emu) const { gme_delete(emu); }
};
using EmuPointer = std::unique_ptr<Music_Emu, EmuDeleter>;

// Why bytes cannot be an SPC file; empty when they may be one.
QString problemWith(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("The file is empty");
    if (!bytes.startsWith(QByteArrayView(kSignature)))
        return QStringLiteral("Not an SPC file");
    if (bytes.size() > TrackBytesCache::kLargestTrack)
        return QStringLiteral("Not an SPC file: it is larger than any SPC file");
    if (bytes.size() < kSmallestSpc)
        return QStringLiteral("The SPC file is damaged: it ends early");
    return {};
}
} // namespace

struct SpcRenderer::Emulator {
    EmuPointer emu;
    std::vector<short> scratch = std::vector<short>(kPieceFrames * kChannels);
};

SpcRenderer::SpcRenderer() = default;
SpcRenderer::~SpcRenderer() = default;

bool SpcRenderer::open(QByteArrayView spcFile, const TrackTiming &timing)
{
    m_emulator.reset();
    m_position = 0;
    m_mutedVoices = 0;
    m_timing = timing;
    m_error = problemWith(spcFile);
    if (!m_error.isEmpty())
        return false;

    // The SPC emulator alone: bytes that only pose as an SPC file never reach
    // another emulator through type guessing.
    EmuPointer emu(gme_new_emu(gme_spc_type, kSpcSampleRate));
    if (!emu) {
        m_error = QStringLiteral("Not enough memory to play the file");
        return false;
    }
    const char *failure = gme_load_data(emu.get(), spcFile.data(), long(spcFile.size()));
    if (!failure) {
        // The length and fade are ours: libgme's limit divides by zero at the
        // end of a tagged track with a short fade, and its silence detection
        // would end quiet passages.
        gme_set_autoload_playback_limit(emu.get(), 0);
        gme_ignore_silence(emu.get(), 1);
        failure = gme_start_track(emu.get(), 0);
    }
    if (failure) {
        m_error = QStringLiteral("The SPC file is damaged: %1").arg(QString::fromUtf8(failure));
        return false;
    }
    m_emulator = std::make_unique<Emulator>();
    m_emulator->emu = std::move(emu);
    return true;
}

bool SpcRenderer::isOpen() const
{
    return m_emulator != nullptr;
}

qint64 SpcRenderer::render(qint16 *frames, qint64 frameCount)
{
    if (!m_emulator || frameCount <= 0)
        return 0;
    const qint64 total = m_timing.totalFrames();
    const qint64 wanted = m_timing.endless ? frameCount : std::min(frameCount, total - m_position);
    for (qint64 done = 0; done < wanted;) {
        const qint64 piece = std::min(wanted - done, kPieceFrames);
        qint16 *out = frames + done * kChannels;
        if (gme_play(m_emulator->emu.get(), int(piece * kChannels), out))
            std::fill(out, out + piece * kChannels, qint16(0)); // a program that crashed the SPC700 plays silence
        applyFade(out, piece, m_position + done);
        done += piece;
    }
    m_position += std::max<qint64>(wanted, 0);
    return std::max<qint64>(wanted, 0);
}

void SpcRenderer::applyFade(qint16 *frames, qint64 count, qint64 firstFrame) const
{
    if (m_timing.endless || m_timing.fadeFrames <= 0)
        return;
    const qint64 total = m_timing.totalFrames();
    const qint64 from = std::max(firstFrame, m_timing.playFrames);
    const double fadeFrames = double(m_timing.fadeFrames);
    for (qint64 frame = from; frame < firstFrame + count; ++frame) {
        // The square of what is left of the fade: close to an even fall in
        // decibels for most of it, strictly falling, and exactly 0 at the
        // last frame.
        const double left = double(total - 1 - frame) / fadeFrames;
        const double gain = left * left;
        qint16 *at = frames + (frame - firstFrame) * kChannels;
        for (int channel = 0; channel < kChannels; ++channel)
            at[channel] = qint16(at[channel] * gain);
    }
}

bool SpcRenderer::seek(qint64 frame)
{
    if (!m_emulator)
        return false;
    frame = std::max<qint64>(frame, 0);
    if (!m_timing.endless)
        frame = std::min(frame, m_timing.totalFrames());
    Music_Emu *emu = m_emulator->emu.get();
    if (frame < m_position) {
        // Backward: the emulation only runs forward, so from the start again.
        if (gme_start_track(emu, 0))
            return false;
        gme_mute_voices(emu, m_mutedVoices);
        m_position = 0;
    }
    // Forward by playing into scratch: libgme's own seek skips the DSP and
    // plays a few samples more, which would change every frame after it.
    short *scratch = m_emulator->scratch.data();
    while (m_position < frame) {
        const qint64 piece = std::min(frame - m_position, kPieceFrames);
        gme_play(emu, int(piece * kChannels), scratch);
        m_position += piece;
    }
    return true;
}

void SpcRenderer::setVoiceMuted(int voice, bool muted)
{
    if (voice < 0 || voice >= kVoices)
        return;
    if (muted)
        m_mutedVoices |= 1 << voice;
    else
        m_mutedVoices &= ~(1 << voice);
    if (m_emulator)
        gme_mute_voices(m_emulator->emu.get(), m_mutedVoices);
}

bool SpcRenderer::isVoiceMuted(int voice) const
{
    return voice >= 0 && voice < kVoices && (m_mutedVoices & (1 << voice)) != 0;
}
