// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {
constexpr int kNameAttempts = 16;

bool renameNoReplace(const char *from, const char *to)
{
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // Where the file system cannot rename without replacing, a hard link
    // refuses an existing name just the same.
    if (link(from, to) != 0)
        return false;
    unlink(from);
    return true;
}

// The folder's entry for the new name reaches the disk too.
void syncFolder(const QString &path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        ::close(folder);
    }
}
} // namespace

QString SystemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

AtomicFile::AtomicFile(const QString &path)
    : m_path(path)
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

bool AtomicFile::open(QString *error)
{
    discard();
    const QFileInfo target(m_path);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString name = QStringLiteral(".%1.%2.part")
                                 .arg(target.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QByteArray temporary = QFile::encodeName(target.absolutePath() + u'/' + name);
        m_handle = ::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_handle >= 0) {
            m_temporary = temporary;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    *error = SystemError();
    return false;
}

bool AtomicFile::commit(bool replace, QString *error)
{
    if (m_handle < 0) {
        *error = QStringLiteral("The file is not open");
        return false;
    }
    const QByteArray target = QFile::encodeName(m_path);
    bool done = fsync(m_handle) == 0;
    done = ::close(std::exchange(m_handle, -1)) == 0 && done;
    if (done)
        done = replace ? std::rename(m_temporary.constData(), target.constData()) == 0
                       : renameNoReplace(m_temporary.constData(), target.constData());
    if (!done) {
        *error = SystemError();
        discard();
        return false;
    }
    m_temporary.clear();
    syncFolder(m_path);
    return true;
}

void AtomicFile::discard()
{
    if (m_handle >= 0)
        ::close(std::exchange(m_handle, -1));
    if (!m_temporary.isEmpty())
        unlink(std::exchange(m_temporary, {}).constData());
}

bool ReadAt(int handle, qint64 offset, qsizetype size, QByteArray *bytes, QString *error)
{
    bytes->resize(size);
    qsizetype done = 0;
    while (done < size) {
        const ssize_t got = pread(handle, bytes->data() + done, size_t(size - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = SystemError();
            return false;
        }
        if (got == 0)
            break;
        done += got;
    }
    bytes->resize(done);
    return true;
}

bool WriteAt(int handle, qint64 offset, QByteArrayView bytes, QString *error)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const char *from = bytes.data() + done;
        const size_t count = size_t(bytes.size() - done);
        const ssize_t put = offset < 0 ? ::write(handle, from, count)
                                       : pwrite(handle, from, count, off_t(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            *error = put < 0 ? SystemError() : QStringLiteral("Nothing written");
            return false;
        }
        done += put;
    }
    return true;
}
