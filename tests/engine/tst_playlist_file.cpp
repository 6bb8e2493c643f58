// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The playlist file: its exact bytes, replacing an earlier file, and
// failures that must leave an earlier playlist as it was.
#include "playlist_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/fsuid.h>
#endif

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Caps the size of files this process may write, so that a write fails part
// way even for root (permissions would not stop root).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
    bool m_active = false;
};
// Makes this thread's file accesses those of an ordinary user while it
// lives, also for root (whose file-system powers Linux drops with the
// file-system user id, and gives back with it).
class OrdinaryUser {
public:
    OrdinaryUser()
    {
#ifdef __linux__
        if (geteuid() == 0) {
            constexpr int kNobody = 65534;
            setfsgid(kNobody);
            setfsuid(kNobody);
            m_switched = static_cast<uid_t>(setfsuid(static_cast<uid_t>(-1))) == kNobody;
            m_active = m_switched;
            return;
        }
#endif
        m_active = geteuid() != 0;
    }
    ~OrdinaryUser()
    {
#ifdef __linux__
        if (m_switched) {
            setfsuid(0);
            setfsgid(0);
        }
#endif
    }
    bool active() const
    {
        return m_active;
    }

private:
    bool m_switched = false;
    bool m_active = false;
};
} // namespace

class PlaylistFileTest : public QObject {
    Q_OBJECT

private slots:
    void bytes_data();
    void bytes();
    void replacesLongerFile();
    void failedWrite_data();
    void failedWrite();
    void failureKeepsEarlierPlaylist();
    void writesInPlaceWhereNoFileCanBeCreated();
};

void PlaylistFileTest::bytes_data()
{
    QTest::addColumn<QString>("pathList");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("two paths") << QStringLiteral("Game.rsn\\01.spc*Game.rsn\\02.spc")
                               << QByteArray("#EXTM3U\r\nGame.rsn\\01.spc\r\nGame.rsn\\02.spc\r\n");
    QTest::newRow("empty list: header and one empty line") << QString() << QByteArray("#EXTM3U\r\n\r\n");
    QTest::newRow("sub-folders kept") << QStringLiteral("Game.rsn\\Disc 1\\Extra\\01.spc")
                                      << QByteArray("#EXTM3U\r\nGame.rsn\\Disc 1\\Extra\\01.spc\r\n");
    QTest::newRow("empty item gives an empty line") << QStringLiteral("A.rsn\\1.spc**B.rsn\\2.spc")
                                                    << QByteArray("#EXTM3U\r\nA.rsn\\1.spc\r\n\r\nB.rsn\\2.spc\r\n");
    QTest::newRow("trailing empty item") << QStringLiteral("A.rsn\\1.spc*")
                                         << QByteArray("#EXTM3U\r\nA.rsn\\1.spc\r\n\r\n");
    QTest::newRow("non-ASCII as UTF-8 without BOM")
        << QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                             "e.rsn\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5.spc")
        << QByteArray("#EXTM3U\r\nGr\xC3\xBC\xC3\x9F"
                      "e.rsn\\\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5.spc\r\n");
}

void PlaylistFileTest::bytes()
{
    QFETCH(QString, pathList);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString error;
    QVERIFY(WritePlaylist(pathList, QStringLiteral("list.m3u"), dir.path(), &error));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("list.m3u"))), expected);
    QCOMPARE(PlaylistBytes(pathList), expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"list.m3u"});
}

void PlaylistFileTest::replacesLongerFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("Ünïcode list.m3u"));
    QVERIFY(writeBytes(target, QByteArray(10000, 'x')));
    QVERIFY(WritePlaylist(QStringLiteral("A.rsn\\1.spc"), QStringLiteral("Ünïcode list.m3u"), dir.path()));
    QCOMPARE(readAll(target), QByteArray("#EXTM3U\r\nA.rsn\\1.spc\r\n"));
}

void PlaylistFileTest::failedWrite_data()
{
    QTest::addColumn<QString>("folder"); // relative to a fresh temporary folder
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("targetIsFolder");

    QTest::newRow("target is a folder") << QString() << QStringLiteral("list.m3u") << true;
    QTest::newRow("folder missing") << QStringLiteral("gone") << QStringLiteral("list.m3u") << false;
    QTest::newRow("folder is a file") << QStringLiteral("plain") << QStringLiteral("list.m3u") << false;
}

void PlaylistFileTest::failedWrite()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(bool, targetIsFolder);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("plain")), "earlier"));
    if (targetIsFolder) {
        QVERIFY(QDir(dir.path()).mkdir(name));
        QVERIFY(writeBytes(dir.filePath(name + QStringLiteral("/inside")), "kept"));
    }
    const QString target = folder.isEmpty() ? dir.path() : dir.filePath(folder);

    QString error;
    QVERIFY(!WritePlaylist(QStringLiteral("A.rsn\\1.spc"), name, target, &error));
    QVERIFY2(!error.isEmpty(), "a failed write says why");
    QCOMPARE(readAll(dir.filePath(QStringLiteral("plain"))), QByteArray("earlier"));
    if (targetIsFolder)
        QCOMPARE(readAll(dir.filePath(name + QStringLiteral("/inside"))), QByteArray("kept"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone"))));
}

void PlaylistFileTest::failureKeepsEarlierPlaylist()
{
    // The new text cannot be written in full (the file-size limit stops it
    // part way): the earlier playlist must survive byte for byte, with no
    // half-written file or temporary left beside it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("list.m3u"));
    const QByteArray earlier("#EXTM3U\r\nOld.rsn\\1.spc\r\n");
    QVERIFY(writeBytes(target, earlier));

    QStringList paths;
    for (int i = 0; i < 2000; ++i)
        paths << QStringLiteral("Game.rsn\\Track %1.spc").arg(i);
    QString error;
    bool written;
    {
        FileSizeLimit limit(4096);
        if (!limit.active())
            QSKIP("cannot limit the file size here");
        written = WritePlaylist(paths.join(u'*'), QStringLiteral("list.m3u"), dir.path(), &error);
    }
    QVERIFY(!written);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readAll(target), earlier);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"list.m3u"});
}

void PlaylistFileTest::writesInPlaceWhereNoFileCanBeCreated()
{
    // A shared folder where the user owns only the playlist: no temporary
    // file can be created beside it, so the playlist is written in place.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("list.m3u"));
    QVERIFY(writeBytes(target, "#EXTM3U\r\nOld.rsn\\1.spc\r\nOld.rsn\\2.spc\r\n"));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    bool written;
    QString error;
    {
        OrdinaryUser user;
        if (!user.active())
            QSKIP("cannot act as an ordinary user here");
        written = WritePlaylist(QStringLiteral("New.rsn\\1.spc"), QStringLiteral("list.m3u"), dir.path(), &error);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(written, qPrintable(error));
    QCOMPARE(readAll(target), QByteArray("#EXTM3U\r\nNew.rsn\\1.spc\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"list.m3u"});
}

QTEST_GUILESS_MAIN(PlaylistFileTest)
#include "tst_playlist_file.moc"
