// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The formats an export writes, by their option names and extensions.
#pragma once

#include <QString>

#include <optional>

enum class AudioFormat { Flac, Opus, Wav };

// "flac", "opus", "wav": the option's value and the files' extension.
QString FormatName(AudioFormat format);
std::optional<AudioFormat> FormatNamed(const QString &name);
