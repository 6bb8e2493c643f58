// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// marrowfen-play run as a program over tone archives, beside the private
// sound server of with_sound.sh: exit statuses, the line per track off a
// terminal, what the sink hears, and on a terminal (tmux) the status line,
// the keys and the terminal's settings given back.
#include "rar_builder.h"
#include "sound_recording.h"
#include "spc_tone.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {
const QString kProgram = QStringLiteral(MARROWFEN_PLAY_PATH);
const QStringList kShort = {QStringLiteral("--default-length"), QStringLiteral("1"), QStringLiteral("--default-fade"),
                            QStringLiteral("0")};

testrar::Member tone(const std::string &name, const std::string &game, const std::string &title, double hz)
{
    testspc::Tone tone;
    tone.pitch = testspc::pitchForHz(hz);
    tone.game = game;
    tone.title = title;
    tone.artist = "Composer";
    testrar::Member member;
    member.name = name;
    member.data = testspc::makeSpc(tone);
    return member;
}

struct Run {
    int status = -1;
    QStringList lines; // standard output
    QByteArray errors;
};

Run run(const QString &folder, const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(kProgram, arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, "timed out"};
    }
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            out.split(u'\n', Qt::SkipEmptyParts), process.readAllStandardError()};
}

QString tmux(const QStringList &arguments)
{
    QProcess process;
    // A server of its own for each row: one just killed may still hold its socket.
    const QString server = QStringLiteral("marrowfen-play-test-%1-%2")
                               .arg(QCoreApplication::applicationPid())
                               .arg(qHash(QByteArray(QTest::currentDataTag())));
    process.start(QStringLiteral("tmux"), QStringList{"-L", server, "-f", "/dev/null"} + arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The pane's text once it shows what (within 15 s); empty when it never does.
QString paneShowing(const QString &what)
{
    for (int i = 0; i < 150; ++i) {
        const QString pane = tmux({"capture-pane", "-p", "-t", "play"});
        if (pane.contains(what))
            return pane;
        QTest::qWait(100);
    }
    return {};
}
} // namespace

class PlayProgramTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QDir().mkpath(m_dir.filePath("B"));
        const auto write = [this](const char *name, const std::vector<testrar::Member> &members) {
            return testrar::writeFile(QFile::encodeName(m_dir.filePath(name)).toStdString(),
                                      testrar::build(testrar::Format::Rar5, members));
        };
        QVERIFY(
            write("A.rsn", {tone("01 Low.spc", "Game A", "Low", 400), tone("02 High.spc", "Game A", "High", 1600)}));
        QVERIFY(write("B/B.rsn", {tone("01 Mid.spc", "Game B", "Mid", 800)}));
        QVERIFY(testrar::writeFile(QFile::encodeName(m_dir.filePath("bad.spc")).toStdString(), "not an SPC file"));
        QVERIFY(testrar::writeFile(QFile::encodeName(m_dir.filePath("mix.m3u")).toStdString(),
                                   "#EXTM3U\r\nA.rsn\\01 Low.spc\r\nB/B.rsn\\01 Mid.spc\r\n"
                                       + QFile::encodeName(m_dir.filePath("A.rsn")).toStdString()
                                       + "/02 High.spc\r\n"));
        QVERIFY(qEnvironmentVariableIsSet("MARROWFEN_TEST_SINK")); // started by with_sound.sh
    }

    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("withOutput");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("lines");
        const QStringList none;
        QTest::newRow("nothing given") << none << true << 2 << none;
        QTest::newRow("bad option") << QStringList{"--default-fade", "x", "A.rsn"} << true << 2 << none;
        QTest::newRow("missing") << QStringList{"missing.rsn"} << true << 2 << none;
        QTest::newRow("not an SPC") << QStringList{"bad.spc"} << true << 2 << none;
        QTest::newRow("no audio output") << QStringList{"A.rsn"} << false << 3 << none;
        QTest::newRow("one bad item among good") << QStringList{"B/B.rsn", "missing.rsn", "bad.spc"} << true << 1
                                                 << QStringList{"[1/2] Game B - Mid - Composer (0:01)"};
        QTest::newRow("playlist in order")
            << QStringList{"mix.m3u"} << true << 0
            << QStringList{"[1/3] Game A - Low - Composer (0:01)", "[2/3] Game B - Mid - Composer (0:01)",
                           "[3/3] Game A - High - Composer (0:01)"};
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, withOutput);
        QFETCH(int, status);
        QFETCH(QStringList, lines);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!withOutput)
            environment.insert("PULSE_SERVER", "unix:" + m_dir.filePath("no-server"));
        const Run result = run(m_dir.path(), arguments.isEmpty() ? arguments : kShort + arguments, environment);
        QCOMPARE(result.status, status);
        QCOMPARE(result.lines, lines);
        if (status != 0)
            QVERIFY2(!result.errors.isEmpty(), "a failure is explained");
    }

    void heardInOrder()
    {
        testsound::Recording recording;
        QVERIFY2(recording.start(), qPrintable(recording.error()));
        const Run result = run(m_dir.path(), kShort + QStringList{"mix.m3u"}, QProcessEnvironment::systemEnvironment());
        const std::vector<testsound::Tone> tones = testsound::FindTones(recording.stop(), testsound::kRate / 2);
        QCOMPARE(result.status, 0);
        QCOMPARE(tones.size(), size_t(3));
        const double expected[] = {400, 800, 1600};
        for (size_t i = 0; i < tones.size(); ++i)
            QVERIFY2(std::abs(tones[i].hz - expected[i]) < expected[i] / 20, qPrintable(QString::number(tones[i].hz)));
    }

    void terminal_data()
    {
        QTest::addColumn<QString>("quitKey");
        QTest::addColumn<int>("status");
        QTest::newRow("q") << QStringLiteral("q") << 0;
        QTest::newRow("Ctrl+C") << QStringLiteral("C-c") << 130; // ended by SIGINT, as the shell sees it
    }
    void terminal()
    {
        QFETCH(QString, quitKey);
        QFETCH(int, status);
        // The shell keeps the terminal's settings before and after; its trap lets it live past Ctrl+C.
        const QString script =
            QStringLiteral(
                "trap : INT; cd '%1'; stty -a >before; '%2' --default-length 30 --default-fade 0 A.rsn B/B.rsn; "
                "echo $? >status; stty -a >settings; mv settings after; sleep 60")
                .arg(m_dir.path(), kProgram);
        for (const char *name : {"before", "status", "after"})
            QFile::remove(m_dir.filePath(name));
        tmux({"new-session", "-d", "-x", "100", "-y", "10", "-s", "play", "bash", "-c", script});
        const auto cleanup = qScopeGuard([] { tmux({"kill-server"}); });
        QVERIFY(paneShowing("[1/3] Game A - Low - Composer  0:0").contains(" / 0:30"));
        tmux({"send-keys", "-t", "play", "n"});
        QVERIFY(!paneShowing("[2/3] Game A - High - Composer").isEmpty());
        tmux({"send-keys", "-t", "play", "Space", "3"});
        const QString paused = paneShowing("[paused] [muted 3]");
        QVERIFY(!paused.isEmpty());
        QTest::qWait(1500);
        QCOMPARE(paneShowing("[paused]"), paused); // the time stands still
        tmux({"send-keys", "-t", "play", quitKey});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir.filePath("after")), 15000);
        QCOMPARE(read("status").trimmed().toInt(), status);
        QCOMPARE(read("after"), read("before"));
    }

private:
    QByteArray read(const char *name)
    {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(PlayProgramTest)
#include "tst_play_program.moc"
