// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The test archive builder checked once against independent readers
// (python3-rarfile and bsdtar): what they list is what the builder was given.
// The other tests can then trust builder archives as input.
#include "independent_reader.h"
#include "rar_builder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using testrar::Format;
using testrar::Member;

Q_DECLARE_METATYPE(Format)

namespace {

struct Expected {
    QString name; // '/' between parts
    quint64 size;
    bool directory;
    bool encrypted;
};

Member member(const std::string &name, const std::string &data, bool directory = false)
{
    Member m;
    m.name = name;
    m.data = data;
    m.directory = directory;
    return m;
}

// Members covering the builder's features, with what a reader should see.
std::vector<Member> sampleMembers(bool withEncrypted, std::vector<Expected> &expected)
{
    std::vector<Member> members;
    auto add = [&](Member m, quint64 size) {
        expected.push_back({QString::fromStdString(m.name), size, m.directory, m.encryptedData});
        members.push_back(std::move(m));
    };
    add(member("hello.txt", "hello world!"), 12);
    add(member("sub", "", true), 0);
    add(member("sub/inner.txt", "inner!"), 6);
    add(member("empty.dat", ""), 0);
    add(member("sub/Grüße 日本.spc", "unicode!"), 8);
    add(member("Привет 😀.spc", "abcd"), 4);
    Member big = member("big3g.bin", "");
    big.unpackedSize = 3000000000ull;
    add(big, 3000000000ull);
    big = member("big5g.bin", "");
    big.unpackedSize = 5ull << 30;
    add(big, 5ull << 30);
    if (withEncrypted) {
        Member secret = member("secret.spc", "12345");
        secret.encryptedData = true;
        add(secret, 5);
    }
    return members;
}

} // namespace

class TestBuilderReaders : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void formats_data()
    {
        QTest::addColumn<Format>("format");
        QTest::newRow("RAR 4") << Format::Rar4;
        QTest::newRow("RAR 5") << Format::Rar5;
    }

    void rarfileAgrees_data() { formats_data(); }

    void rarfileAgrees()
    {
        QFETCH(Format, format);
        std::vector<Expected> expected;
        testrar::Options options;
        options.comment = "Built for tests";
        const QString path = m_dir.filePath(format == Format::Rar4 ? "r4.rar" : "r5.rar");
        QVERIFY(testrar::writeFile(path.toStdString(), testrar::build(format, sampleMembers(true, expected), options)));

        const ReaderListing listing = readWithRarfile(path);
        if (!listing.ran)
            QSKIP(qPrintable("python3-rarfile is not usable: " + listing.error));
        QCOMPARE(listing.status, QStringLiteral("ok"));
        QCOMPARE(listing.comment.toString(), QStringLiteral("Built for tests"));
        QCOMPARE(listing.members.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const ReaderMember &got = listing.members[i];
            QCOMPARE(got.name, QString(expected[i].name).replace('/', '\\'));
            QCOMPARE(quint64(got.size), expected[i].size);
            QCOMPARE(got.directory, expected[i].directory);
            QCOMPARE(got.encrypted, expected[i].encrypted);
        }
    }

    void rarfileSeesEncryptedHeaders_data() { formats_data(); }

    void rarfileSeesEncryptedHeaders()
    {
        QFETCH(Format, format);
        testrar::Options options;
        options.encryptedHeaders = true;
        const QString path = m_dir.filePath(format == Format::Rar4 ? "e4.rar" : "e5.rar");
        QVERIFY(testrar::writeFile(path.toStdString(), testrar::build(format, testrar::soundtrack(2), options)));
        const ReaderListing listing = readWithRarfile(path);
        if (!listing.ran)
            QSKIP(qPrintable("python3-rarfile is not usable: " + listing.error));
        QCOMPARE(listing.status, QStringLiteral("encrypted-headers"));
    }

    void bsdtarAgrees_data() { formats_data(); }

    // bsdtar also reads the RAR 4 plain UTF-8 name form, which rarfile 3.1 mangles.
    void bsdtarAgrees()
    {
        QFETCH(Format, format);
        const QString bsdtar = QStandardPaths::findExecutable(QStringLiteral("bsdtar"));
        if (bsdtar.isEmpty())
            QSKIP("bsdtar (libarchive-tools) is not installed");
        std::vector<Expected> expected;
        std::vector<Member> members = sampleMembers(false, expected);
        Member plain = member("naïve.spc", "naive");
        plain.unicodeEncodedName = false;
        members.push_back(plain);
        expected.push_back({QStringLiteral("naïve.spc"), 5, false, false});
        const QString path = m_dir.filePath(format == Format::Rar4 ? "b4.rar" : "b5.rar");
        QVERIFY(testrar::writeFile(path.toStdString(), testrar::build(format, members)));

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        process.setProcessEnvironment(env);
        process.start(bsdtar, {QStringLiteral("-tvf"), path});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        // "-rw-r--r--  0 0      0          12 Jan  2  2024 hello.txt"
        static const QRegularExpression line(
            QStringLiteral(R"(^(\S)\S+\s+\d+\s+\S+\s+\S+\s+(\d+)\s+\S+\s+\d+\s+\d+ (.*)$)"));
        QStringList got, want;
        for (const QString &text : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            const auto match = line.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            got << QStringLiteral("%1 %2 %3").arg(match.captured(1), match.captured(2), match.captured(3));
        }
        for (const Expected &e : expected)
            want << QStringLiteral("%1 %2 %3").arg(e.directory ? "d" : "-").arg(e.size).arg(e.name);
        QCOMPARE(got, want);
    }
};

QTEST_APPLESS_MAIN(TestBuilderReaders)
#include "tst_builder_readers.moc"
