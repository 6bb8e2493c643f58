// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Things named like archives that are no regular files: a FIFO, links to a
// FIFO or a device, a folder. The file list can show a symbolic link of any
// kind, so a click may hand any of them to the listing: it must fail to open
// at once with its message, never wait for a writer or read forever.
#include "engine_outcome.h"
#include "robustness_fixture.h"

#include <QDir>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

class NonRegularFilesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
#ifndef Q_OS_UNIX
        QSKIP("FIFOs and device files are a Unix matter");
#endif
        QVERIFY2(m_folder.installLibrary(), qPrintable(m_folder.error()));
    }

    void openFails_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << QStringLiteral("fifo");
        QTest::newRow("link to a FIFO") << QStringLiteral("link to fifo");
        QTest::newRow("link to a device") << QStringLiteral("link to device");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("link to a folder") << QStringLiteral("link to folder");
    }

    void openFails()
    {
#ifdef Q_OS_UNIX
        QFETCH(QString, kind);
        const QString folder = m_folder.write(QStringLiteral("placeholder.rsn"), {}).section(u'/', 0, -2);
        const QString path = folder + QStringLiteral("/Odd %1.rsn").arg(kind);
        const QString fifo = folder + QStringLiteral("/pipe");
        QFile::remove(path);
        if (kind.contains(u"fifo") && !QFileInfo::exists(fifo))
            QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        if (kind == u"fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == u"link to fifo")
            QVERIFY(QFile::link(fifo, path));
        else if (kind == u"link to device")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (kind == u"folder")
            QVERIFY(QDir(folder).mkdir(QFileInfo(path).fileName()));
        else
            QVERIFY(QFile::link(folder, path));

        const EngineOutcome outcome = listThroughEngine(path);
        QCOMPARE(outcome.result, qint16(-1));
        QCOMPARE(outcome.entries, QString());
        QCOMPARE(outcome.messages.size(), 1);
        QCOMPARE(outcome.messages[0].title, QStringLiteral("Error code 15"));
        QCOMPARE(outcome.messages[0].prompt,
                 path + QStringLiteral(": There was an error that occured when the archive was opened"));
#endif
    }

private:
    ArchiveFolder m_folder;
};

QTEST_GUILESS_MAIN(NonRegularFilesTest)
#include "tst_non_regular_files.moc"
