// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Tags libsndfile has no name for, added to an Ogg Opus file it wrote. Its
// comment packet sits alone on the stream's second page and ends in zero
// padding, so the fields go into that padding: the packet keeps its size,
// the page only gets a new checksum, and nothing else moves.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Fields that do not fit in the padding are left out (*added says how
// many went in). False with *error when the page is not libsndfile's.
bool AddOpusComments(int handle, const QList<QByteArray> &fields, int *added, QString *error);

// The Ogg page checksum (CRC-32, polynomial 0x04c11db7, not reflected).
quint32 OggChecksum(QByteArrayView bytes);
