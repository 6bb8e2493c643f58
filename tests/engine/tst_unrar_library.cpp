// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Loading the archive library file and resolving its five functions.
#include "unrar_library.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class UnrarLibraryTest : public QObject {
    Q_OBJECT

private slots:
    void loadsRealLibrary();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void failedLoadDropsEarlierFunctions();
};

void UnrarLibraryTest::loadsRealLibrary()
{
    UnrarLibrary library;
    QVERIFY2(library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)), qPrintable(library.errorString()));
    QVERIFY(library.isLoaded());
    const UnrarFunctions &f = library.functions();
    QVERIFY(f.openArchive && f.setPassword && f.readHeader && f.processFile && f.closeArchive);
    QVERIFY(QStringLiteral(MARROWFEN_UNRAR_PATH).endsWith(UnrarLibrary::fileName()));
}

void UnrarLibraryTest::refusesBadFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("named");    // must appear in errorString()
    QTest::addColumn<QStringList>("notNamed"); // must not

    QTest::newRow("missing file") << "missing" << QStringList{"libunrar.so", "does not exist"} << QStringList{};
    QTest::newRow("text file") << "text" << QStringList{"libunrar.so"} << QStringList{};
    QTest::newRow("empty file") << "empty" << QStringList{"libunrar.so"} << QStringList{};
    QTest::newRow("folder") << "folder" << QStringList{"libunrar.so", "not a file"} << QStringList{"does not exist"};
    QTest::newRow("library lacking functions")
        << "partial" << QStringList{"libunrar.so", "RARSetPassword", "RARReadHeader", "RARProcessFile"}
        << QStringList{"RAROpenArchive", "RARCloseArchive"};
}

void UnrarLibraryTest::refusesBadFiles()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, named);
    QFETCH(QStringList, notNamed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("libunrar.so"));
    if (kind == u"text") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a shared library\n");
    } else if (kind == u"empty") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("libunrar.so")));
    } else if (kind == u"partial") {
        QVERIFY(QFile::copy(QStringLiteral(PARTIAL_UNRAR_PATH), path));
    }

    UnrarLibrary library;
    QVERIFY(!library.load(path));
    QVERIFY(!library.isLoaded());
    QVERIFY(!library.functions().openArchive);
    const QString error = library.errorString();
    for (const QString &text : named)
        QVERIFY2(error.contains(text), qPrintable(QStringLiteral("\"%1\" lacks %2").arg(error, text)));
    for (const QString &text : notNamed)
        QVERIFY2(!error.contains(text), qPrintable(QStringLiteral("\"%1\" names %2").arg(error, text)));
}

void UnrarLibraryTest::failedLoadDropsEarlierFunctions()
{
    UnrarLibrary library;
    QVERIFY2(library.load(QStringLiteral(MARROWFEN_UNRAR_PATH)), qPrintable(library.errorString()));
    QVERIFY(!library.load(QStringLiteral("/nonexistent/libunrar.so")));
    QVERIFY(!library.isLoaded());
    QVERIFY(!library.functions().readHeader);
    QVERIFY(library.errorString().contains(QStringLiteral("/nonexistent/libunrar.so")));
}

QTEST_GUILESS_MAIN(UnrarLibraryTest)
#include "tst_unrar_library.moc"
