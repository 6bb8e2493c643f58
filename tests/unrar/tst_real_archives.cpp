// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Archives written by real RAR versions (1.5 to 5.x), listed through our
// library and by an independent reader; the two must agree on every member.
#include "archive_listing.h"
#include "independent_reader.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

QString realArchiveDir()
{
    return QDir::cleanPath(QStringLiteral(MARROWFEN_REAL_RAR_DIR));
}

// Self-extractors carry a module in front of the archive; the independent
// reader gets the bytes from the signature on.
qint64 signatureOffset(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().indexOf(QByteArray("Rar!\x1A\x07", 6));
}

} // namespace

class TestRealArchives : public QObject {
    Q_OBJECT

private slots:
    void listsLikeIndependentReader_data()
    {
        QTest::addColumn<QString>("path");
        int archives = 0;
        for (const QString &set : {realArchiveDir(), QDir::cleanPath(QStringLiteral(MARROWFEN_MORE_REAL_RAR_DIR))}) {
            const QDir dir(set);
            if (!dir.exists())
                QSKIP(qPrintable(QStringLiteral("The real RAR archives are not here (%1): skipped.").arg(dir.path())));
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                if (name.endsWith(QLatin1String(".md")))
                    continue;
                QTest::newRow(qPrintable(name)) << dir.filePath(name);
                ++archives;
            }
        }
        QVERIFY2(archives >= 120, "the real archive folders look incomplete");
    }

    void listsLikeIndependentReader()
    {
        QFETCH(QString, path);
        const qint64 offset = signatureOffset(path);
        if (offset < 0) { // a later piece of a byte-split archive
            QCOMPARE(listArchive(path).openResult, unsigned(ERAR_BAD_ARCHIVE));
            return;
        }
        const ReaderListing expected = readWithRarfile(path, offset);
        if (!expected.ran)
            QSKIP(qPrintable("python3-rarfile is not usable: " + expected.error));
        QVERIFY2(expected.status != QLatin1String("error"), qPrintable(expected.error));

        const ArchiveListing listing = listArchive(path, 4096);
        QCOMPARE(listing.openResult, 0u);
        if (expected.status == QLatin1String("encrypted-headers")) {
            QVERIFY(listing.headers.empty());
            QCOMPARE(listing.lastResult, int(ERAR_UNKNOWN));
            return;
        }
        QCOMPARE(listing.lastResult, int(ERAR_END_ARCHIVE));

        QStringList ours, theirs;
        for (const RARHeaderData &h : listing.headers)
            ours << QStringLiteral("%1 | %2 | dir %3 | encrypted %4 | solid %5")
                        .arg(QString::fromUtf8(h.FileName))
                        .arg(h.UnpSize)
                        .arg(bool(h.Flags & RHDF_DIRECTORY))
                        .arg(bool(h.Flags & RHDF_ENCRYPTED))
                        .arg(bool(h.Flags & RHDF_SOLID));
        for (const ReaderMember &m : expected.members)
            theirs << QStringLiteral("%1 | %2 | dir %3 | encrypted %4 | solid %5")
                          .arg(m.name)
                          .arg(quint32(m.size))
                          .arg(m.directory)
                          .arg(m.encrypted)
                          .arg(m.solid);
        QCOMPARE(ours, theirs);

        // A comment we return stored must be the one the other reader sees;
        // one we report as compressed it may or may not unpack.
        if (listing.commentState == 1)
            QCOMPARE(QString::fromStdString(listing.comment), expected.comment.toString());
        else if (listing.commentState == 0)
            QVERIFY(expected.comment.isNull());
        else
            QCOMPARE(listing.commentState, unsigned(ERAR_UNKNOWN_FORMAT));
    }

    void encryptedNamesGive21_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("RAR 3") << QStringLiteral("rar3-comment-hpsw.rar");
        QTest::newRow("RAR 5") << QStringLiteral("rar5-hpsw.rar");
    }

    // The archive opens; the first header read says the names are encrypted.
    void encryptedNamesGive21()
    {
        QFETCH(QString, name);
        const QString path = QDir(realArchiveDir()).filePath(name);
        if (!QFile::exists(path))
            QSKIP("The real RAR archives are not here: skipped.");
        const ArchiveListing listing = listArchive(path);
        QCOMPARE(listing.openResult, 0u);
        QVERIFY(listing.headers.empty());
        QCOMPARE(listing.lastResult, int(ERAR_UNKNOWN));
    }

    void commentStates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<unsigned>("state");
        QTest::addColumn<QString>("comment");
        QTest::newRow("RAR 5 stored") << QStringLiteral("rar5-crc.rar") << 1u << QStringLiteral("RAR5 archive - crc\n");
        QTest::newRow("RAR 5 behind a self-extractor")
            << QStringLiteral("rar5-crc.sfx") << 1u << QStringLiteral("RAR5 archive - crc\n");
        QTest::newRow("RAR 3 compressed")
            << QStringLiteral("rar3-comment-plain.rar") << unsigned(ERAR_UNKNOWN_FORMAT) << QString();
        QTest::newRow("RAR 1.5 inside the main header")
            << QStringLiteral("rar15-comment.rar") << unsigned(ERAR_UNKNOWN_FORMAT) << QString();
        QTest::newRow("none") << QStringLiteral("rar3-solid.rar") << 0u << QString();
    }

    void commentStates()
    {
        QFETCH(QString, name);
        QFETCH(unsigned, state);
        QFETCH(QString, comment);
        const QString path = QDir(realArchiveDir()).filePath(name);
        if (!QFile::exists(path))
            QSKIP("The real RAR archives are not here: skipped.");
        const ArchiveListing listing = listArchive(path, 1024);
        QCOMPARE(listing.openResult, 0u);
        QCOMPARE(listing.commentState, state);
        QCOMPARE(QString::fromStdString(listing.comment), comment);
        QVERIFY(!listing.headers.empty());
    }
};

QTEST_APPLESS_MAIN(TestRealArchives)
#include "tst_real_archives.moc"
