// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "audio_format.h"

QString FormatName(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Opus:
        return QStringLiteral("opus");
    case AudioFormat::Wav:
        return QStringLiteral("wav");
    case AudioFormat::Flac:
        break;
    }
    return QStringLiteral("flac");
}

std::optional<AudioFormat> FormatNamed(const QString &name)
{
    for (AudioFormat format : {AudioFormat::Flac, AudioFormat::Opus, AudioFormat::Wav}) {
        if (name.compare(FormatName(format), Qt::CaseInsensitive) == 0)
            return format;
    }
    return std::nullopt;
}
