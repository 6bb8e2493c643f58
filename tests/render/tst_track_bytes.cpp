// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Track bytes through the real archive library, from archives written by
// the test archive builder.
#include "rar_builder.h"
#include "spc_tone.h"
#include "track_bytes.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <thread>

using testrar::Format;
using testrar::Member;

namespace {
UnrarLibrary realLibrary;
std::atomic<int> opens = 0;

void *PASCAL countingOpen(RAROpenArchiveData *data)
{
    ++opens;
    return realLibrary.functions().openArchive(data);
}

Member track(const std::string &name, std::string data)
{
    Member m;
    m.name = name;
    m.data = std::move(data);
    return m;
}
} // namespace

class TrackBytesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void tracksOfAnArchive_data();
    void tracksOfAnArchive();
    void onePassServesAllTracks();
    void boundedMemory();
    void loneFiles();

private:
    QString write(const std::string &name, const std::string &archive);
    QTemporaryDir m_dir;
    UnrarFunctions m_counting;
};

void TrackBytesTest::initTestCase()
{
    QVERIFY2(realLibrary.load(QStringLiteral(MARROWFEN_UNRAR_PATH)), qPrintable(realLibrary.errorString()));
    m_counting = realLibrary.functions();
    m_counting.openArchive = countingOpen;
}

QString TrackBytesTest::write(const std::string &name, const std::string &archive)
{
    const QString path = m_dir.filePath(QString::fromStdString(name));
    return testrar::writeFile(path.toStdString(), archive) ? path : QString();
}

void TrackBytesTest::tracksOfAnArchive_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("solid");
    QTest::newRow("RAR 4") << int(Format::Rar4) << false;
    QTest::newRow("RAR 4 solid") << int(Format::Rar4) << true;
    QTest::newRow("RAR 5") << int(Format::Rar5) << false;
    QTest::newRow("RAR 5 solid") << int(Format::Rar5) << true;
}

void TrackBytesTest::tracksOfAnArchive()
{
    QFETCH(int, format);
    QFETCH(bool, solid);
    const std::string tone = testspc::makeSpc({});
    std::string damaged = tone;
    damaged[0x300] = 'X'; // a different byte than its CRC was taken of
    Member locked = track("Locked.spc", tone);
    locked.encryptedData = true;
    std::vector<Member> members = {track("01 Intro.spc", tone), track("Disc 2/02 Town.spc", tone + "town"),
                                   track("03 Broken.spc", tone), locked, track("notes.txt", "text")};
    std::string archive = testrar::build(Format(format), members, {solid, false, {}, true});
    const auto broken = archive.find(tone, archive.find("03 Broken.spc"));
    archive.replace(broken, damaged.size(), damaged);
    const QString path = write("t" + std::to_string(format) + std::to_string(solid) + ".rsn", archive);

    TrackBytesCache cache(&realLibrary.functions());
    const auto fetch = [&](const char *member) { return cache.fetch({path, QString::fromUtf8(member), {}}); };
    QCOMPARE(fetch("01 Intro.spc").data, QByteArray::fromStdString(tone));
    QCOMPARE(fetch("Disc 2\\02 Town.spc").data, QByteArray::fromStdString(tone + "town"));
    const QString shown = path + u'\\';
    QCOMPARE(fetch("03 Broken.spc").error, "Error code 12: " + shown + "03 Broken.spc: The file is corrupt or damaged");
    QCOMPARE(fetch("Locked.spc").error, shown + "Locked.spc: The file is encrypted");
    QCOMPARE(fetch("notes.txt").error, shown + "notes.txt: The file is not in the archive");
    QCOMPARE(cache.heldBytes(), qint64(2 * tone.size() + 4));
    QVERIFY(cache.fetch({m_dir.filePath("none.rsn"), "01 Intro.spc", {}}).error.contains("none.rsn: "));
}

void TrackBytesTest::onePassServesAllTracks()
{
    const QString path = write("many.rsn",
                               testrar::build(Format::Rar5, testrar::soundtrack(12), {true, false, {}, true}));
    TrackBytesCache cache(&m_counting);
    opens = 0;
    std::vector<std::thread> players;
    std::atomic<int> good = 0;
    for (int i = 1; i <= 6; ++i) {
        players.emplace_back([&, i] {
            const QString name = QStringLiteral("%1 Track.spc").arg(i * 2, 2, 10, QLatin1Char('0'));
            good += cache.fetch({path, name, {}}).data.endsWith(QByteArray::number(i * 2));
        });
    }
    for (std::thread &player : players)
        player.join();
    QCOMPARE(good.load(), 6);
    QVERIFY(cache.fetch({path, "01 Track.spc", {}}).ok());
    QCOMPARE(opens.load(), 1);

    std::atomic<bool> cancel = true;
    TrackBytesCache cancelled(&m_counting);
    QCOMPARE(cancelled.fetch({path, "01 Track.spc", {}}, &cancel).error, "Cancelled");
    QVERIFY(cancelled.fetch({path, "01 Track.spc", {}}).ok()); // a cancelled pass is not the last word
}

void TrackBytesTest::boundedMemory()
{
    // Tracks of the largest size: 70 of them in one archive, 30 in another.
    const std::string big(size_t(TrackBytesCache::kLargestTrack), 's');
    std::vector<Member> members;
    for (int i = 0; i < 70; ++i)
        members.push_back(track("t" + std::to_string(100 + i) + ".spc", big));
    const QString huge = write("huge.rsn", testrar::build(Format::Rar4, members));
    members.resize(30);
    const QString other = write("other.rsn", testrar::build(Format::Rar5, members));

    TrackBytesCache cache(&realLibrary.functions());
    for (const auto &[archive, member] : {std::pair(huge, "t169.spc"), std::pair(other, "t100.spc"),
                                          std::pair(huge, "t100.spc"), std::pair(huge, "t169.spc")}) {
        QCOMPARE(cache.fetch({archive, member, {}}).data.size(), TrackBytesCache::kLargestTrack);
        QVERIFY(cache.heldBytes() <= TrackBytesCache::kCacheBytes);
    }
    QVERIFY(cache.heldBytes() > TrackBytesCache::kCacheBytes / 2);
}

void TrackBytesTest::loneFiles()
{
    const QString spc = write("lone.spc", testspc::makeSpc({}));
    const QString fifo = m_dir.filePath("fifo.spc");
    QCOMPARE(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);

    TrackBytesCache cache(nullptr);
    QCOMPARE(cache.fetch({{}, spc, {}}).data, QByteArray::fromStdString(testspc::makeSpc({})));
    QCOMPARE(cache.fetch({{}, fifo, {}}).error, fifo + ": The file does not exist or is not a regular file");
}

QTEST_GUILESS_MAIN(TrackBytesTest)
#include "tst_track_bytes.moc"
