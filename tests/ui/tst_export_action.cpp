// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// "Export to FLAC…" in the window's file list: the selected archives
// exported off the window's thread, the summary, and Cancel.
#include "export_action.h"
#include "file_list_box.h"
#include "form1.h"
#include "form1_test_support.h"
#include "spc_tone.h"
#include "unrar_library.h"

#include <QAction>
#include <QDirIterator>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray tone(int playSeconds)
{
    testspc::Tone tone;
    tone.binaryTag = true;
    tone.playSeconds = playSeconds;
    tone.fadeMs = 0;
    const std::string spc = testspc::makeSpc(tone);
    return QByteArray(spc.data(), qsizetype(spc.size()));
}

QStringList filesBelow(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(folder.size() + 1);
    found.sort();
    return found;
}
} // namespace

class ExportActionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void theWindowsFileListOffersIt();
    void exportsTheSelectedArchives_data();
    void exportsTheSelectedArchives();

private:
    QTemporaryDir m_dir;
    UnrarLibrary m_library;
};

void ExportActionTest::initTestCase()
{
    QVERIFY(m_library.load(builtLibraryFolder() + QStringLiteral("/") + UnrarLibrary::fileName()));
    setArchiveLibrary(&m_library.functions());
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("music"))));
    QVERIFY(writeArchive(m_dir.filePath(QStringLiteral("music/Short.rsn")), {{"01 One.spc", tone(1)}}));
    QVERIFY(writeArchive(m_dir.filePath(QStringLiteral("music/Long.rsn")), {{"01 Long.spc", tone(3000)}}));
}

void ExportActionTest::theWindowsFileListOffersIt()
{
    ScriptedMessageBoxes messages;
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("demo"))));
    const std::unique_ptr<Form1> form = startOnDemoFolder(m_dir.filePath(QStringLiteral("demo")), messages);
    QVERIFY(form);
    const auto *list = form->findChild<FileListBox *>(QStringLiteral("filRSNNames"));
    QVERIFY(list && list->contextMenuPolicy() == Qt::ActionsContextMenu);
    QCOMPARE(list->actions().size(), 1);
    QCOMPARE(list->actions().first()->text(), QStringLiteral("Export to FLAC…"));
    setArchiveLibrary(&m_library.functions()); // the window's own went with it
}

void ExportActionTest::exportsTheSelectedArchives_data()
{
    QTest::addColumn<QString>("archive");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("done") << "Short.rsn" << false << "1 album, 1 track written (0.0 minutes of music)"
                          << QStringList{"Short/01 Test Tone.flac", "Short/Short.m3u8"};
    QTest::newRow("cancelled") << "Long.rsn" << true << "Export cancelled." << QStringList{};
}

void ExportActionTest::exportsTheSelectedArchives()
{
    QFETCH(QString, archive);
    QFETCH(bool, cancel);
    QFETCH(QString, summary);
    QFETCH(QStringList, files);
    QWidget window;
    FileListBox list(&window);
    list.setPattern(QStringLiteral("*.rsn"));
    list.setPath(m_dir.filePath(QStringLiteral("music")));
    ScriptedMessageBoxes messages;
    ExportAction action(&list, &messages, &window);
    QVERIFY(!action.action()->isEnabled());
    list.findItems(archive, Qt::MatchExactly).first()->setSelected(true);
    QVERIFY(action.action()->isEnabled());

    const QString out = m_dir.filePath(QStringLiteral("out-") + archive);
    QSignalSpy finished(&action, &ExportAction::finished);
    action.exportTo(out);
    QVERIFY(action.isRunning()); // the window's thread is back at once
    if (cancel) {
        auto *dialog = window.findChild<QProgressDialog *>();
        QVERIFY(dialog);
        QTRY_VERIFY(!filesBelow(out).isEmpty()); // under way: its temporary is there
        dialog->findChild<QPushButton *>()->click();
    }
    QVERIFY(finished.wait(60000));
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY2(messages.shown.first().prompt.contains(summary), qPrintable(messages.shown.first().prompt));
    QCOMPARE(filesBelow(out), files);
    QVERIFY(action.action()->isEnabled());
}

QTEST_MAIN(ExportActionTest)
#include "tst_export_action.moc"
