// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// One tagged audio file written through libsndfile from 16-bit stereo at
// 32,000 Hz: FLAC and WAV at that rate, Opus resampled to 48,000 Hz. The
// file is written under a temporary name and named only once complete.
#pragma once

#include "atomic_file.h"
#include "audio_format.h"
#include "export_tags.h"
#include "resampler.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct sf_private_tag;

inline constexpr int kLeastOpusKbps = 12; // 6 to 256 kbit/s per channel, as libsndfile offers
inline constexpr int kMostOpusKbps = 512;

class AudioFileWriter {
public:
    AudioFileWriter(AudioFormat format, int opusKbps);
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter &) = delete;
    AudioFileWriter &operator=(const AudioFileWriter &) = delete;

    // Starts the file that will be path. False with *error saying why.
    bool open(const QString &path, const ExportTags &tags, QString *error);
    // frames interleaved left, right.
    bool write(const qint16 *frames, qint64 count, QString *error);
    // Completes the file and gives it its name: over an existing file only
    // when replace. Without a commit nothing is left on the disk.
    bool commit(bool replace, QString *error);
    // Drops the file being written.
    void discard();

private:
    struct CloseSndfile {
        void operator()(sf_private_tag *file) const;
    };
    bool closeSndfile(QString *error);
    bool fail(QString *error, const QString &reason);

    AudioFormat m_format;
    int m_opusKbps;
    QString m_path;
    QList<QByteArray> m_extraFields;
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<sf_private_tag, CloseSndfile> m_sndfile;
    std::optional<Resampler> m_resampler;
    std::vector<float> m_resampled;
};
