// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Building the playlist from the selected archives.
#include "demo_archives.h"
#include "file_list_box.h"
#include "form1.h"
#include "form1_test_support.h"
#include "user_interaction.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QByteArray kCastleLines = "Castle Quest.rsn\\01 Opening.spc\r\n"
                                "Castle Quest.rsn\\02 Overworld.spc\r\n"
                                "Castle Quest.rsn\\03 Boss Battle.spc\r\n"
                                "Castle Quest.rsn\\Extras\\04 Ending.spc\r\n";
const QString kOverwriteTitle = QStringLiteral("Overwrite Existing File?");
} // namespace

class Form1BuildTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void nothingSelectedWritesNothing();
    void declinedOverwriteChangesNothing();
    void acceptedOverwriteReplacesLongerFile();
    void emptyFileIsOverwrittenWithoutAsking();
    void selection_data();
    void selection();
    void archiveThatFailsToOpenAddsEmptyLine();
    void browsingIsDisabledWhileBuilding();
    void buildPressedDuringPreviewRunsAfterIt();
    void nameIsReadAgainBeforeWriting();
    void nameTypedDuringBuildIsCheckedAgain_data();
    void nameTypedDuringBuildIsCheckedAgain();
    void failedWriteIsReported_data();
    void failedWriteIsReported();

private:
    void selectRows(const QList<int> &rows);
    QString playlistPath(const QString &name = QStringLiteral("RSN Playlist.m3u")) const
    {
        return m_dir->filePath(name);
    }
    void writeFile(const QString &path, const QByteArray &bytes);
    QLineEdit *nameBox() const { return m_form->findChild<QLineEdit *>(QStringLiteral("txtPlaylistName")); }
    bool browsingEnabled() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedMessageBoxes m_messages;
    std::unique_ptr<Form1> m_form;
    FileListBox *m_files = nullptr;
};

void Form1BuildTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_messages = {};
    m_form = startOnDemoFolder(m_dir->path(), m_messages);
    QVERIFY(m_form);
    m_files = m_form->findChild<FileListBox *>(QStringLiteral("filRSNNames"));
    QCOMPARE(itemTexts(m_files),
             (QStringList{"Broken.rsn", "Castle Quest.rsn", "Docs Only.rsn", "Ocean Voyage.RSN", "Star Racer.rsn"}));
}

void Form1BuildTest::cleanup()
{
    m_form.reset();
    startIn(QDir::tempPath());
    m_dir.reset();
}

void Form1BuildTest::selectRows(const QList<int> &rows)
{
    m_files->clearSelection();
    for (int row : rows)
        m_files->item(row)->setSelected(true);
}

void Form1BuildTest::writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

bool Form1BuildTest::browsingEnabled() const
{
    return m_form->findChild<QWidget *>(QStringLiteral("drvRSNNames"))->isEnabled()
        && m_form->findChild<QWidget *>(QStringLiteral("dirRSNNames"))->isEnabled() && m_files->isEnabled();
}

void Form1BuildTest::nothingSelectedWritesNothing()
{
    m_form->cmdAddFiles_Click();
    QVERIFY(!QFile::exists(playlistPath()));
    QVERIFY(m_messages.shown.isEmpty());
}

void Form1BuildTest::declinedOverwriteChangesNothing()
{
    writeFile(playlistPath(), "#EXTM3U\r\nold\r\n");
    selectRows({1});
    m_messages.setNextAnswer(AnswerNo);
    m_form->cmdAddFiles_Click();

    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].prompt, QStringLiteral("The selected Playlist Name already exists. Overwrite it?"));
    QCOMPARE(m_messages.shown[0].title, kOverwriteTitle);
    QCOMPARE(m_messages.shown[0].style, int(MsgYesNo));
    QCOMPARE(fileBytes(playlistPath()), QByteArray("#EXTM3U\r\nold\r\n"));
    QVERIFY(browsingEnabled());
    QCOMPARE(m_files->selectedFileNames(), QStringList{QStringLiteral("Castle Quest.rsn")});
}

void Form1BuildTest::acceptedOverwriteReplacesLongerFile()
{
    writeFile(playlistPath(), QByteArray(4096, 'x'));
    selectRows({1});
    m_messages.setNextAnswer(AnswerYes);
    m_form->cmdAddFiles_Click();
    QCOMPARE(m_messages.titles(), QStringList{kOverwriteTitle});
    QCOMPARE(fileBytes(playlistPath()), "#EXTM3U\r\n" + kCastleLines);
}

void Form1BuildTest::emptyFileIsOverwrittenWithoutAsking()
{
    writeFile(playlistPath(), {});
    selectRows({1});
    m_form->cmdAddFiles_Click();
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(fileBytes(playlistPath()), "#EXTM3U\r\n" + kCastleLines);
}

void Form1BuildTest::selection_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QByteArray>("playlist");
    QTest::newRow("first and third of three")
        << QList<int>{1, 3} << QByteArray::fromStdString(demo::firstAndThirdPlaylist());
    QTest::newRow("second holds no playable file") << QList<int>{1, 2} << "#EXTM3U\r\n" + kCastleLines + "\r\n";
    QTest::newRow("only an archive without playable files") << QList<int>{2} << QByteArray("#EXTM3U\r\n\r\n");
}

void Form1BuildTest::selection()
{
    QFETCH(QList<int>, rows);
    QFETCH(QByteArray, playlist);
    selectRows(rows);
    auto *label = m_form->findChild<QLabel *>(QStringLiteral("lblCurrentFile"));
    m_form->cmdAddFiles_Click();
    QCOMPARE(fileBytes(playlistPath()), playlist);
    // The build shows nothing at the end and leaves the preview alone.
    QVERIFY(m_messages.shown.isEmpty());
    QCOMPARE(label->text(), QStringLiteral("File:"));
    QVERIFY(browsingEnabled());
}

void Form1BuildTest::archiveThatFailsToOpenAddsEmptyLine()
{
    selectRows({0, 1});
    m_form->cmdAddFiles_Click();
    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY(m_messages.shown[0].title.startsWith(QStringLiteral("Error code ")));
    QVERIFY(m_messages.shown[0].prompt.startsWith(m_dir->filePath(QStringLiteral("Broken.rsn"))));
    QCOMPARE(fileBytes(playlistPath()), "#EXTM3U\r\n\r\n" + kCastleLines);
}

void Form1BuildTest::browsingIsDisabledWhileBuilding()
{
    selectRows({1, 3});
    bool disabledDuringBuild = true;
    bool buttonAndNameEnabled = true;
    bool busyCursor = true;
    int yields = 0;
    setYieldHandler([&] {
        ++yields;
        disabledDuringBuild = disabledDuringBuild
            && !m_form->findChild<QWidget *>(QStringLiteral("drvRSNNames"))->isEnabled()
            && !m_form->findChild<QWidget *>(QStringLiteral("dirRSNNames"))->isEnabled() && !m_files->isEnabled();
        buttonAndNameEnabled = buttonAndNameEnabled && nameBox()->isEnabled()
            && m_form->findChild<QWidget *>(QStringLiteral("cmdAddFiles"))->isEnabled();
        busyCursor = busyCursor && QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    m_form->cmdAddFiles_Click();
    QVERIFY(yields > 0);
    QVERIFY(disabledDuringBuild);
    QVERIFY(buttonAndNameEnabled);
    QVERIFY(busyCursor);
    QVERIFY(browsingEnabled());
    QVERIFY(!QApplication::overrideCursor());
}

void Form1BuildTest::buildPressedDuringPreviewRunsAfterIt()
{
    selectRows({3});
    m_files->setCurrentItem(m_files->item(1), QItemSelectionModel::NoUpdate);
    bool wroteDuringPreview = false;
    int yields = 0;
    setYieldHandler([&] {
        if (++yields == 1) {
            m_form->cmdAddFiles_Click();
            wroteDuringPreview = QFile::exists(playlistPath());
        }
    });
    m_form->filRSNNames_Click();
    QVERIFY(!wroteDuringPreview);
    QCOMPARE(itemTexts(m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"))).size(), 4);
    QVERIFY(fileBytes(playlistPath()).startsWith("#EXTM3U\r\nOcean Voyage.RSN\\Harbor Town.spc\r\n"));
}

void Form1BuildTest::nameIsReadAgainBeforeWriting()
{
    selectRows({2});
    int yields = 0;
    setYieldHandler([&] {
        if (++yields == 1)
            nameBox()->setText(QStringLiteral("renamed.m3u"));
    });
    m_form->cmdAddFiles_Click();
    QCOMPARE(fileBytes(playlistPath(QStringLiteral("renamed.m3u"))), QByteArray("#EXTM3U\r\n\r\n"));
    QVERIFY(!QFile::exists(playlistPath()));
}

void Form1BuildTest::nameTypedDuringBuildIsCheckedAgain_data()
{
    QTest::addColumn<QString>("typed");   // the name typed while the build yields
    QTest::addColumn<QString>("written"); // the file written, "" for none
    QTest::addColumn<int>("answer");      // to the overwrite question, 0 if none is expected
    QTest::newRow("gets the .m3u ending") << "mix"
                                          << "mix.m3u" << 0;
    QTest::newRow("an archive's name") << "Castle Quest.rsn"
                                       << "Castle Quest.rsn.m3u" << 0;
    QTest::newRow("another playlist, answered No") << "old.m3u"
                                                   << "" << int(AnswerNo);
    QTest::newRow("another playlist, answered Yes") << "old.m3u"
                                                    << "old.m3u" << int(AnswerYes);
}

// Typing in the name box while a build runs must not replace a file (an
// archive, another playlist) without the care the first name had.
void Form1BuildTest::nameTypedDuringBuildIsCheckedAgain()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(int, answer);
    writeFile(playlistPath(QStringLiteral("old.m3u")), "#EXTM3U\r\nold\r\n");
    const QByteArray archive = fileBytes(playlistPath(QStringLiteral("Castle Quest.rsn")));
    selectRows({2});
    int yields = 0;
    setYieldHandler([&] {
        if (++yields == 1)
            nameBox()->setText(typed);
    });
    if (answer)
        m_messages.setNextAnswer(answer);
    m_form->cmdAddFiles_Click();

    QCOMPARE(m_messages.titles(), answer ? QStringList{QStringLiteral("Overwrite Existing File?")} : QStringList{});
    QVERIFY(!QFile::exists(playlistPath()));
    QCOMPARE(fileBytes(playlistPath(QStringLiteral("Castle Quest.rsn"))), archive);
    if (written.isEmpty())
        QCOMPARE(fileBytes(playlistPath(QStringLiteral("old.m3u"))), QByteArray("#EXTM3U\r\nold\r\n"));
    else
        QCOMPARE(fileBytes(playlistPath(written)), QByteArray("#EXTM3U\r\n\r\n"));
    QVERIFY(browsingEnabled());
}

void Form1BuildTest::failedWriteIsReported_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("existing");
    QTest::newRow("name of a folder") << "a folder.m3u" << false;
    QTest::newRow("missing sub-folder") << "no such folder/list.m3u" << false;
    // The replacement is written beside the target first; a name at the
    // length limit leaves no room for that, so the write fails while the
    // earlier playlist exists.
    QTest::newRow("earlier playlist kept") << QString(251, u'p') + QStringLiteral(".m3u") << true;
}

void Form1BuildTest::failedWriteIsReported()
{
    QFETCH(QString, name);
    QFETCH(bool, existing);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("a folder.m3u")));
    const QByteArray earlier = "#EXTM3U\r\nearlier.rsn\\keep.spc\r\n";
    if (existing) {
        writeFile(playlistPath(name), earlier);
        m_messages.setNextAnswer(AnswerYes);
    }
    nameBox()->setText(name);
    selectRows({1});
    m_form->cmdAddFiles_Click();

    const ShownMessage &report = m_messages.shown.constLast();
    QCOMPARE(report.title, QStringLiteral("Playlist Not Written"));
    QCOMPARE(report.style, int(MsgCritical));
    QVERIFY2(report.prompt.contains(playlistPath(name)), qPrintable(report.prompt));
    // The system's reason follows the file name.
    QVERIFY2(report.prompt.section(QStringLiteral("\r\n"), 1).size() > 3, qPrintable(report.prompt));
    QVERIFY(browsingEnabled());
    if (existing)
        QCOMPARE(fileBytes(playlistPath(name)), earlier);
    // Nothing half-written is left behind.
    QStringList others = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    others.removeIf([](const QString &file) { return file.endsWith(QStringLiteral(".rsn"), Qt::CaseInsensitive); });
    others.removeOne(QStringLiteral("notes.txt"));
    QCOMPARE(others, existing ? QStringList{name} : QStringList());
}

QTEST_MAIN(Form1BuildTest)
#include "tst_form1_build.moc"
