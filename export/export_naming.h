// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The names an export gives its folders and files: safe on Linux and
// Windows alike, so that an album folder can be copied to either.
#pragma once

#include <QString>

// name with every character that cannot stand in a file name on Linux or
// Windows (/ \ : * ? " < > | and control characters) replaced by "_", as
// are a leading dot (no hidden files, never "." or ".."), trailing dots and
// spaces (Windows drops them), and a reserved Windows device name (CON,
// NUL, COM1...) gets "_" added. At most kMostNameBytes of UTF-8; never empty.
QString SafeFileName(const QString &name);
inline constexpr int kMostNameBytes = 160;

// NN: number with two digits, three when total is past 99.
QString TrackNumberText(int number, int total);

// "<NN> <title>", safe: NN is number with two digits, three when total is
// past 99.
QString TrackFileStem(int number, int total, const QString &title);

// name cut to at most maxBytes of UTF-8, never inside a character.
QString CutToUtf8Bytes(const QString &name, int maxBytes);

// The file name without its last extension ("01 Intro.spc" -> "01 Intro").
QString WithoutExtension(const QString &fileName);
