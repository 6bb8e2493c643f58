// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "key_decoder.h"

namespace {
constexpr char kEscape = '\x1b';
// Longer than any key's sequence: whatever runs on is dropped.
constexpr qsizetype kLongestSequence = 16;

bool isCsiParameterOrIntermediate(char byte)
{
    return byte >= 0x20 && byte <= 0x3F;
}

bool isFinal(char byte)
{
    return byte >= 0x40 && byte <= 0x7E;
}
} // namespace

QList<KeyPress> KeyDecoder::feed(QByteArrayView bytes)
{
    QList<KeyPress> keys;
    for (const char byte : bytes)
        take(byte, keys);
    return keys;
}

void KeyDecoder::take(char byte, QList<KeyPress> &keys)
{
    if (!m_sequence.isEmpty()) {
        if (m_sequence.size() == 1) {
            if (byte == '[' || byte == 'O') {
                m_sequence += byte;
                return;
            }
        } else if (isFinal(byte)) {
            // Only the plain arrow keys mean something; modified ones (ESC [ 1 ; 5 C) do not.
            if (m_sequence.size() == 2 && (byte == 'C' || byte == 'D'))
                keys += KeyPress{byte == 'C' ? PlayKey::SeekForward : PlayKey::SeekBack};
            m_sequence.clear();
            return;
        } else if (m_sequence[1] == '[' && isCsiParameterOrIntermediate(byte) && m_sequence.size() < kLongestSequence) {
            m_sequence += byte;
            return;
        }
        // A lone Escape, or a sequence broken off: the byte counts on its own.
        m_sequence.clear();
    }
    switch (byte) {
    case kEscape:
        m_sequence += byte;
        return;
    case ' ':
        keys += KeyPress{PlayKey::PlayPause};
        return;
    case 'n':
    case 'N':
        keys += KeyPress{PlayKey::Next};
        return;
    case 'p':
    case 'P':
        keys += KeyPress{PlayKey::Previous};
        return;
    case 'q':
    case 'Q':
        keys += KeyPress{PlayKey::Quit};
        return;
    default:
        if (byte >= '1' && byte <= '8')
            keys += KeyPress{PlayKey::ToggleVoice, byte - '1'};
    }
}
