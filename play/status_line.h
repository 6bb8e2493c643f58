// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// What the terminal player prints about the track being heard: the status
// line redrawn in place on a terminal, and one line per track elsewhere.
// Pure text; the text of tags and file names is made safe to print (no
// control characters reach the terminal).
#pragma once

#include "spc_tags.h"

#include <QString>
#include <QStringView>

struct NowPlaying {
    int number = 0; // from 1
    int count = 0;
    SpcTags tags;
    QString fileName; // the title when the tags give none
    qint64 positionMs = 0;
    qint64 lengthMs = -1; // -1 endless or unknown
    bool paused = false;
    int mutedVoices = 0; // bit v set: voice v (0 to 7) is muted
};

// "m:ss", "h:mm:ss" from an hour on, "--:--" when unknown (negative).
QString FormatDuration(qint64 ms);

// "[n/m] Game - Title - Artist (m:ss)", for output that is not a terminal.
QString TrackStartLine(const NowPlaying &now);

// "[n/m] Game - Title - Artist  0:12 / 2:30", then "[paused]" and "[muted 1 3]"
// when so, at most columns wide: the names give way first (ending in "…"),
// so that the times stay in view.
QString StatusLine(const NowPlaying &now, int columns);

// How many terminal columns text takes: wide East Asian letters two,
// combining marks none.
int DisplayColumns(QStringView text);
