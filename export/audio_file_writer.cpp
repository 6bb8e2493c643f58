// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "audio_file_writer.h"

#include "flac_comments.h"
#include "opus_comments.h"

#include <sndfile.h>

namespace {
constexpr int kOpusRate = 48000;

int sndfileFormat(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Opus:
        return SF_FORMAT_OGG | SF_FORMAT_OPUS;
    case AudioFormat::Wav:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case AudioFormat::Flac:
        break;
    }
    return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
}

QString sndfileError(SNDFILE *file)
{
    return QString::fromLocal8Bit(sf_strerror(file));
}

// libsndfile's Opus encoder takes a "compression level" from 0 (256 kbit/s
// per channel) to 1 (6 kbit/s per channel) and truncates the rate it gets.
double opusCompressionLevel(int kbps)
{
    const double perChannel = kbps * 1000.0 / 2;
    return 1.0 - (perChannel - 6000.0 + 0.5) / 250000.0;
}
} // namespace

void AudioFileWriter::CloseSndfile::operator()(sf_private_tag *file) const
{
    sf_close(file);
}

AudioFileWriter::AudioFileWriter(AudioFormat format, int opusKbps)
    : m_format(format)
    , m_opusKbps(opusKbps)
{
}

AudioFileWriter::~AudioFileWriter() = default;

void AudioFileWriter::discard()
{
    m_sndfile.reset();
    m_file.reset();
}

bool AudioFileWriter::fail(QString *error, const QString &reason)
{
    *error = reason;
    discard();
    return false;
}

bool AudioFileWriter::open(const QString &path, const ExportTags &tags, QString *error)
{
    m_path = path;
    m_sndfile.reset();
    m_file = std::make_unique<AtomicFile>(path);
    if (!m_file->open(error))
        return fail(error, *error);
    SF_INFO info{};
    info.samplerate = m_format == AudioFormat::Opus ? kOpusRate : kInputRate;
    info.channels = 2;
    info.format = sndfileFormat(m_format);
    m_sndfile.reset(sf_open_fd(m_file->handle(), SFM_WRITE, &info, SF_FALSE));
    if (!m_sndfile)
        return fail(error, sndfileError(nullptr));

    const std::pair<int, const QString *> strings[] = {
        {SF_STR_TITLE, &tags.title}, {SF_STR_ARTIST, &tags.artist},
        {SF_STR_ALBUM, &tags.album}, {SF_STR_TRACKNUMBER, &tags.trackNumber},
        {SF_STR_DATE, &tags.date},   {SF_STR_COMMENT, &tags.comment}};
    for (const auto &[id, value] : strings) {
        if (!value->isEmpty() && sf_set_string(m_sndfile.get(), id, value->toUtf8().constData()) != 0)
            return fail(error, sndfileError(m_sndfile.get()));
    }
    m_extraFields = m_format == AudioFormat::Wav ? QList<QByteArray>() : tags.extraVorbisFields();
    m_resampler.reset();
    if (m_format == AudioFormat::Opus) {
        double level = opusCompressionLevel(m_opusKbps);
        int variable = SF_BITRATE_MODE_VARIABLE; // Opus's own default where libsndfile has no say
        int original = kInputRate;
        sf_command(m_sndfile.get(), SFC_SET_BITRATE_MODE, &variable, sizeof variable);
        sf_command(m_sndfile.get(), SFC_SET_ORIGINAL_SAMPLERATE, &original, sizeof original);
        if (sf_command(m_sndfile.get(), SFC_SET_COMPRESSION_LEVEL, &level, sizeof level) != SF_TRUE)
            return fail(error, QStringLiteral("This libsndfile cannot set the Opus bit rate"));
        m_resampler.emplace();
    }
    return true;
}

bool AudioFileWriter::write(const qint16 *frames, qint64 count, QString *error)
{
    if (!m_sndfile)
        return fail(error, QStringLiteral("The file is not open"));
    sf_count_t written = 0;
    sf_count_t wanted = count;
    if (m_resampler) {
        m_resampled.clear();
        m_resampler->push(frames, count, m_resampled);
        wanted = sf_count_t(m_resampled.size() / 2);
        written = sf_writef_float(m_sndfile.get(), m_resampled.data(), wanted);
    } else {
        written = sf_writef_short(m_sndfile.get(), frames, count);
    }
    return written == wanted || fail(error, sndfileError(m_sndfile.get()));
}

bool AudioFileWriter::closeSndfile(QString *error)
{
    if (m_resampler) {
        m_resampled.clear();
        m_resampler->finish(m_resampled);
        const auto frames = sf_count_t(m_resampled.size() / 2);
        if (sf_writef_float(m_sndfile.get(), m_resampled.data(), frames) != frames)
            return fail(error, sndfileError(m_sndfile.get()));
    }
    // The encoder's last frames and its header go out on closing.
    const int status = sf_close(m_sndfile.release());
    return status == 0 || fail(error, QString::fromLocal8Bit(sf_error_number(status)));
}

bool AudioFileWriter::commit(bool replace, QString *error)
{
    if (!m_sndfile || !m_file)
        return fail(error, QStringLiteral("The file is not open"));
    if (!closeSndfile(error))
        return false;
    if (m_format == AudioFormat::Flac && !m_extraFields.isEmpty()) {
        // libsndfile's stream is copied with the other tags into the real file.
        auto tagged = std::make_unique<AtomicFile>(m_path);
        if (!tagged->open(error) || !CopyFlacWithComments(m_file->handle(), tagged->handle(), m_extraFields, error))
            return fail(error, *error);
        m_file = std::move(tagged);
    } else if (m_format == AudioFormat::Opus && !m_extraFields.isEmpty()) {
        int added = 0;
        if (!AddOpusComments(m_file->handle(), m_extraFields, &added, error))
            return fail(error, *error);
    }
    const bool done = m_file->commit(replace, error);
    m_file.reset();
    return done;
}
