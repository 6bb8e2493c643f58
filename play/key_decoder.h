// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The terminal player's keys, out of the bytes a terminal in raw mode sends:
// Space, n, p, q, 1 to 8, and the arrow keys' escape sequences (ESC [ C/D,
// and ESC O C/D in application mode), which may arrive split over reads.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

enum class PlayKey { PlayPause, Next, Previous, SeekBack, SeekForward, ToggleVoice, Quit };

struct KeyPress {
    PlayKey key;
    int voice = -1; // ToggleVoice: 0 to 7

    bool operator==(const KeyPress &) const = default;
};

class KeyDecoder {
public:
    // The keys that bytes complete; other keys and sequences are skipped.
    QList<KeyPress> feed(QByteArrayView bytes);

private:
    void take(char byte, QList<KeyPress> &keys);

    QByteArray m_sequence; // an escape sequence begun (bounded)
};
