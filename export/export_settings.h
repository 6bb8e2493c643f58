// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// What an export writes and how: shared by marrowfen-export and the window.
#pragma once

#include "audio_format.h"
#include "track_timing.h"

#include <QString>

struct ExportSettings {
    QString outputFolder;
    AudioFormat format = AudioFormat::Flac;
    int opusKbps = 160;
    TimingDefaults timing; // never endless: a file has an end
    bool stems = false;    // each voice alone besides the mix
    bool force = false;    // replace files that are there
    int workers = 0;       // tracks rendered at once; 0: one per core
};
