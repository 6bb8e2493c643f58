// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Every member of the archives written by real RAR versions, unpacked
// through RAR_TEST: intact data passes its CRC32 (or BLAKE2sp) check and
// equals what libarchive extracts where it can; encrypted and split members
// are refused; damaged data is reported, never more bytes than the header's.
#include "member_test_run.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

quint32 referenceCrc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// libarchive's bytes for a member, or nothing when it cannot extract it.
// It is bounded: on some archives it writes without end.
std::optional<QByteArray> bsdtarBytes(const QString &archive, const QString &member, qint64 size)
{
    QProcess bsdtar;
    bsdtar.start(QStringLiteral("bsdtar"), {QStringLiteral("-xOf"), archive, member});
    QByteArray out;
    QDeadlineTimer deadline(60000);
    while (out.size() <= size && !deadline.hasExpired() && bsdtar.state() != QProcess::NotRunning) {
        bsdtar.waitForReadyRead(1000);
        out += bsdtar.readAllStandardOutput();
    }
    out += bsdtar.readAllStandardOutput();
    if (out.size() > size || bsdtar.state() != QProcess::NotRunning) {
        bsdtar.kill();
        bsdtar.waitForFinished();
        return std::nullopt;
    }
    if (bsdtar.exitStatus() != QProcess::NormalExit || bsdtar.exitCode() != 0)
        return std::nullopt;
    return out;
}

bool isLink(const RARHeaderData &h)
{
    constexpr unsigned kUnix = 3, kTypeMask = 0170000, kSymlink = 0120000, kReparsePoint = 0x400;
    return h.HostOS == kUnix ? (h.FileAttr & kTypeMask) == kSymlink : (h.FileAttr & kReparsePoint) != 0;
}

// Archives whose last member's data runs past the end of the file.
bool cutShort(const QString &path)
{
    return path.endsWith(QLatin1String("/Rar.malformed_512byte.rar"))
        || path.endsWith(QLatin1String("/Rar4.split.001"));
}

int expectedResult(const RARHeaderData &h)
{
    if (h.Flags & RHDF_DIRECTORY)
        return ERAR_SUCCESS;
    if (h.Flags & (RHDF_SPLITBEFORE | RHDF_SPLITAFTER))
        return ERAR_EOPEN;
    if (h.Flags & RHDF_ENCRYPTED)
        return ERAR_MISSING_PASSWORD;
    return ERAR_SUCCESS;
}

const QString kSets[] = {QStringLiteral(MARROWFEN_REAL_RAR_DIR), QStringLiteral(MARROWFEN_MORE_REAL_RAR_DIR)};

} // namespace

class TestDecompression : public QObject {
    Q_OBJECT

private slots:
    void everyMember_data()
    {
        QTest::addColumn<QString>("path");
        int archives = 0;
        for (const QString &set : kSets) {
            const QDir dir(QDir::cleanPath(set));
            if (!dir.exists())
                QSKIP(qPrintable(QStringLiteral("The real RAR archives are not here (%1): skipped.").arg(dir.path())));
            for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
                if (!name.endsWith(QLatin1String(".md"))) {
                    QTest::newRow(qPrintable(name)) << dir.filePath(name);
                    ++archives;
                }
            }
        }
        QVERIFY2(archives >= 120, "the real archive folders look incomplete");
    }

    // In order; then only the last member (a solid stream unpacked unseen up
    // to it); then every other member stopped at its first bytes.
    void everyMember()
    {
        QFETCH(QString, path);
        const MemberTestRun all = testMembers(path, [](int) { return true; });
        if (all.openResult != ERAR_SUCCESS)
            return; // later pieces of a byte-split archive: nothing to test
        const bool hasBsdtar = !QStandardPaths::findExecutable(QStringLiteral("bsdtar")).isEmpty();
        for (const MemberOutcome &m : all.members) {
            const QString name = QString::fromUtf8(m.header.FileName);
            QVERIFY2(!m.tooMany, qPrintable(name));
            const bool cut = cutShort(path) && &m == &all.members.back();
            QCOMPARE(m.result, cut ? ERAR_BAD_DATA : expectedResult(m.header));
            if (m.result != ERAR_SUCCESS || (m.header.Flags & RHDF_DIRECTORY))
                continue;
            QCOMPARE(static_cast<quint64>(m.bytes.size()), quint64{m.header.UnpSize});
            if (m.header.FileCRC != 0 || m.bytes.isEmpty())
                QCOMPARE(referenceCrc32(m.bytes), m.header.FileCRC);
            const auto theirs = hasBsdtar ? bsdtarBytes(path, QString(name).replace(u'\\', u'/'), m.bytes.size())
                                          : std::nullopt;
            // libarchive gives zeros for a link, nothing for a hard link or a file copy.
            if (theirs && !isLink(m.header) && !(theirs->isEmpty() && !m.bytes.isEmpty()))
                QVERIFY2(*theirs == m.bytes, qPrintable(name + QStringLiteral(": differs from libarchive's bytes")));
        }

        const int last = static_cast<int>(all.members.size()) - 1;
        const MemberTestRun lastOnly = testMembers(path, [last](int i) { return i == last; });
        if (last >= 0) {
            QCOMPARE(lastOnly.members.back().result, all.members.back().result);
            QVERIFY(lastOnly.members.back().bytes == all.members.back().bytes);
        }

        const MemberTestRun halfStopped = testMembers(
            path, [](int) { return true; }, [](int i) { return i % 2 == 0; });
        QCOMPARE(halfStopped.members.size(), all.members.size());
        for (std::size_t i = 1; i < all.members.size(); i += 2) {
            QCOMPARE(halfStopped.members[i].result, all.members[i].result);
            QVERIFY(halfStopped.members[i].bytes == all.members[i].bytes);
        }
    }

    // A byte changed inside the archive, or the file cut short: each member
    // either passes its check or gives 12, never more than its size.
    void damagedData_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *name : {"Rar15.rar", "Rar2.rar", "Rar.rar", "Rar.solid.rar", "Rar5.rar", "Rar5.solid.rar"})
            QTest::newRow(name) << QDir(QStringLiteral(MARROWFEN_MORE_REAL_RAR_DIR)).filePath(QLatin1String(name));
    }
    void damagedData()
    {
        QFETCH(QString, path);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            QSKIP("The real RAR archives are not here: skipped.");
        const QByteArray original = file.readAll();
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("damaged.rar"));
        constexpr int kVariants = 40;
        for (int v = 0; v < 2 * kVariants; ++v) {
            QByteArray bytes = original;
            const qsizetype at = 64 + (original.size() - 64) * (v % kVariants) / kVariants;
            if (v < kVariants)
                bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
            else
                bytes.truncate(at);
            QFile out(copy);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size());
            out.close();
            for (const MemberOutcome &m : testMembers(copy, [](int) { return true; }).members) {
                QVERIFY2(!m.tooMany, qPrintable(QStringLiteral("variant %1").arg(v)));
                QVERIFY2(m.result == ERAR_SUCCESS || m.result == ERAR_BAD_DATA || m.result == ERAR_EOPEN,
                         qPrintable(QStringLiteral("variant %1: %2").arg(v).arg(m.result)));
                if (m.result == ERAR_SUCCESS && !(m.header.Flags & RHDF_DIRECTORY))
                    QCOMPARE(referenceCrc32(m.bytes), m.header.FileCRC);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestDecompression)
#include "tst_decompression.moc"
