// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Decoding bytes whose encoding nobody wrote down (tags, playlists): try the
// likely encodings strictly, and end with one that decodes any byte.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// The text when the whole of bytes decodes without error, else null.
QString DecodeStrictly(QStringDecoder decoder, QByteArrayView bytes);

// Windows-1252; the five bytes it leaves unassigned keep their C1 code points.
QString DecodeWindows1252(QByteArrayView bytes);

// UTF-8 when valid, else Windows-1252.
QString DecodeUtf8OrWindows1252(QByteArrayView bytes);
