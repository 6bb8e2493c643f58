// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The export's file layer: safe names, files that appear only complete,
// the resampler's pitch and length, and tagged files read back through
// libsndfile and the flac tools.
#include "atomic_file.h"
#include "audio_file_writer.h"
#include "export_naming.h"
#include "resampler.h"
#include "vorbis_comments.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace {
std::vector<qint16> sine(double hertz, qint64 frames)
{
    std::vector<qint16> out(size_t(frames * 2));
    for (qint64 i = 0; i < frames; ++i)
        out[size_t(2 * i)] = out[size_t(2 * i + 1)] = qint16(16000
                                                             * std::sin(2 * std::numbers::pi * hertz * i / 32000));
    return out;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

class ExportFilesTest : public QObject {
    Q_OBJECT
private slots:
    void safeNames_data();
    void safeNames();
    void trackStems();
    void vorbisCommentsRefuseLies();
    void atomicFileAppearsOnlyWhole();
    void resamplerKeepsPitchAndLength_data();
    void resamplerKeepsPitchAndLength();
    void taggedFiles_data();
    void taggedFiles();
};

void ExportFilesTest::safeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safe");
    QTest::newRow("plain") << "01 Intro"
                           << "01 Intro";
    QTest::newRow("forbidden characters") << "a/b\\c:d*e?f\"g<h>i|j"
                                          << "a_b_c_d_e_f_g_h_i_j";
    QTest::newRow("control characters") << QStringLiteral("a\tb\x7f") << "a_b_";
    QTest::newRow("no way up") << ".."
                               << "__";
    QTest::newRow("not hidden") << ".hack"
                                << "_hack";
    QTest::newRow("trailing dots and spaces") << "Town. . "
                                              << "Town____";
    QTest::newRow("device name") << "con"
                                 << "con_";
    QTest::newRow("device name with extension") << "LPT1.txt"
                                                << "LPT1_.txt";
    QTest::newRow("not a device") << "CONSOLE"
                                  << "CONSOLE";
    QTest::newRow("empty") << ""
                           << "_";
    QTest::newRow("non-ASCII kept") << QStringLiteral("ゼルダ") << QStringLiteral("ゼルダ");
    QTest::newRow("long: cut at a character") << QString(100, QChar(0x00e9)) << QString(79, QChar(0x00e9));
}

void ExportFilesTest::safeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, safe);
    QCOMPARE(SafeFileName(name), safe);
}

void ExportFilesTest::trackStems()
{
    QCOMPARE(TrackFileStem(7, 99, QStringLiteral("Town?")), QStringLiteral("07 Town_"));
    QCOMPARE(TrackFileStem(7, 100, QStringLiteral("Town")), QStringLiteral("007 Town"));
    QCOMPARE(TrackFileStem(120, 120, QStringLiteral("Ending.")), QStringLiteral("120 Ending_"));
}

void ExportFilesTest::vorbisCommentsRefuseLies()
{
    const QByteArray good = SerializeVorbisComments({"vendor", {"TITLE=A", "ARTIST=B"}});
    qsizetype used = 0;
    const std::optional<VorbisComments> parsed = ParseVorbisComments(good + "pad", &used);
    QVERIFY(parsed);
    QCOMPARE(parsed->fields, (QList<QByteArray>{"TITLE=A", "ARTIST=B"}));
    QCOMPARE(used, good.size());
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        QVERIFY2(!ParseVorbisComments(good.left(cut)), qPrintable(QString::number(cut)));
    QByteArray hugeCount = good;
    hugeCount[10 + 3] = '\x7f'; // the count's top byte
    QVERIFY(!ParseVorbisComments(hugeCount));
}

void ExportFilesTest::atomicFileAppearsOnlyWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.flac"));
    QString error;
    {
        AtomicFile file(path);
        QVERIFY(file.open(&error));
        QVERIFY(WriteAt(file.handle(), -1, "new", &error));
        QVERIFY(!QFile::exists(path));
    } // dropped: nothing stays
    QCOMPARE(entries(dir.path()), QStringList());

    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    AtomicFile keep(path);
    QVERIFY(keep.open(&error));
    QVERIFY(!keep.commit(false, &error));
    QVERIFY(!error.isEmpty());
    AtomicFile replace(path);
    QVERIFY(replace.open(&error) && WriteAt(replace.handle(), -1, "new", &error) && replace.commit(true, &error));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("new"));
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("a.flac")});

    AtomicFile nowhere(dir.filePath(QStringLiteral("missing/a.flac")));
    QVERIFY(!nowhere.open(&error));
    QCOMPARE(error, QStringLiteral("No such file or directory"));
}

void ExportFilesTest::resamplerKeepsPitchAndLength_data()
{
    QTest::addColumn<double>("hertz");
    QTest::addColumn<qint64>("frames");
    QTest::newRow("1 kHz, 1 s") << 1000.0 << qint64(32000);
    QTest::newRow("13 kHz, odd length") << 13000.0 << qint64(32001);
    QTest::newRow("100 Hz, short") << 100.0 << qint64(1000);
}

void ExportFilesTest::resamplerKeepsPitchAndLength()
{
    QFETCH(double, hertz);
    QFETCH(qint64, frames);
    const std::vector<qint16> in = sine(hertz, frames);
    Resampler resampler;
    std::vector<float> out;
    for (qint64 at = 0; at < frames; at += 777)
        resampler.push(in.data() + 2 * at, std::min<qint64>(777, frames - at), out);
    resampler.finish(out);
    QCOMPARE(qint64(out.size() / 2), Resampler::OutputFrames(frames));
    // Away from the ends, the very same sine at 48 kHz, in phase.
    double worst = 0;
    for (qint64 n = 100; n + 100 < qint64(out.size() / 2); ++n)
        worst = std::max(
            worst, std::abs(out[size_t(2 * n)] - 16000 / 32768.0 * std::sin(2 * std::numbers::pi * hertz * n / 48000)));
    QVERIFY2(worst < 1e-3, qPrintable(QString::number(worst)));
}

void ExportFilesTest::taggedFiles_data()
{
    QTest::addColumn<AudioFormat>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("extraTags");
    QTest::newRow("flac") << AudioFormat::Flac << 32000 << true;
    QTest::newRow("opus") << AudioFormat::Opus << 48000 << true;
    QTest::newRow("wav") << AudioFormat::Wav << 32000 << false;
}

void ExportFilesTest::taggedFiles()
{
    QFETCH(AudioFormat, format);
    QFETCH(int, rate);
    QFETCH(bool, extraTags);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("01 Intro.") + FormatName(format));
    ExportTags tags;
    tags.title = QStringLiteral("Intro ゼ");
    tags.artist = QStringLiteral("Composer");
    tags.album = QStringLiteral("Game");
    tags.trackNumber = QStringLiteral("01");
    tags.trackTotal = QStringLiteral("12");
    tags.organization = QStringLiteral("Publisher");
    tags.dumper = QStringLiteral("Dumper");
    const std::vector<qint16> frames = sine(440, 16000);
    AudioFileWriter writer(format, 96);
    QString error;
    QVERIFY(writer.open(path, tags, &error));
    QVERIFY(writer.write(frames.data(), 16000, &error));
    QVERIFY(!QFile::exists(path));
    QVERIFY2(writer.commit(false, &error), qPrintable(error));
    QCOMPARE(entries(dir.path()), QStringList{QFileInfo(path).fileName()});

    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    QVERIFY(file);
    QCOMPARE(info.frames, sf_count_t(16000) * rate / 32000);
    QCOMPARE(info.samplerate, rate);
    QCOMPARE(QString::fromUtf8(sf_get_string(file, SF_STR_TITLE)), tags.title);
    QCOMPARE(QString::fromUtf8(sf_get_string(file, SF_STR_ARTIST)), tags.artist);
    sf_close(file);

    QFile raw(path);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QByteArray head = raw.read(8192);
    for (const char *field : {"TRACKTOTAL=12", "ORGANIZATION=Publisher", "DUMPER=Dumper"})
        QCOMPARE(head.contains(field), extraTags);
    if (format == AudioFormat::Flac) {
        QProcess flac;
        flac.start(QStringLiteral("flac"), {QStringLiteral("-t"), QStringLiteral("-s"), path});
        QVERIFY(flac.waitForFinished());
        QCOMPARE(flac.exitCode(), 0);
    }
}

QTEST_GUILESS_MAIN(ExportFilesTest)
#include "tst_export_files.moc"
