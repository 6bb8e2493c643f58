// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// A file written under a temporary name in its own folder and given its
// real name only once it is complete and on the disk, so that an
// interruption, a full disk or a crash never leaves a partial file under a
// real name. The temporary is hidden (".<name>.<random>.part") and removed
// when the file is not committed.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class AtomicFile {
public:
    explicit AtomicFile(const QString &path);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary; false with *error saying why.
    bool open(QString *error);
    int handle() const { return m_handle; }
    QString path() const { return m_path; }

    // Flushes the data to the disk and gives the file its real name: over an
    // existing file when replace, else only where none is (false when one
    // has appeared meanwhile).
    bool commit(bool replace, QString *error);

private:
    void discard();

    QString m_path;
    QByteArray m_temporary; // encoded name, empty while there is none
    int m_handle = -1;
};

// Reads up to size bytes at offset; fewer only at the end of the file.
// Nothing with *error on a failure.
bool ReadAt(int handle, qint64 offset, qsizetype size, QByteArray *bytes, QString *error);
// Writes all of bytes at offset (-1: at the current position).
bool WriteAt(int handle, qint64 offset, QByteArrayView bytes, QString *error);

// The system's text for errno.
QString SystemError();
