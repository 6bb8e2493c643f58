// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Tags libsndfile has no name for, added to a FLAC file it wrote: the
// stream is copied with the fields appended to its Vorbis comment block
// (one is made when there is none). The other metadata blocks stay as they
// are, padding excepted; the audio frames are copied unchanged.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// From the start of source to the current position of target.
bool CopyFlacWithComments(int source, int target, const QList<QByteArray> &fields, QString *error);
