// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Previewing an archive: what the list and the label show, the messages,
// and that a click arriving while a preview or build yields waits its turn.
#include "demo_archives.h"
#include "file_list_box.h"
#include "form1.h"
#include "form1_test_support.h"
#include "user_interaction.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class Form1PreviewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void previewShowsSortedNames();
    void keyboardMovePreviews();
    void archiveOfTextFilesHasNoPlayableFiles();
    void archiveThatFailsToOpen();
    void clickDuringPreviewWaitsForIt();
    void clickDuringBuildNeverInterleaves();
    void closeDuringPreviewWaitsForIt();
    void tooltipsTellTheTagsAfterThePreview();

private:
    void select(const QString &name);
    QString label() const { return m_form->findChild<QLabel *>(QStringLiteral("lblCurrentFile"))->text(); }
    QStringList preview() const { return itemTexts(m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"))); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedMessageBoxes m_messages;
    std::unique_ptr<Form1> m_form;
    FileListBox *m_files = nullptr;
};

void Form1PreviewTest::init()
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

void Form1PreviewTest::cleanup()
{
    m_form.reset();
    startIn(QDir::tempPath());
    m_dir.reset();
}

void Form1PreviewTest::select(const QString &name)
{
    const auto items = m_files->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    m_files->setCurrentItem(items.first(), QItemSelectionModel::NoUpdate);
}

void Form1PreviewTest::previewShowsSortedNames()
{
    select(QStringLiteral("Castle Quest.rsn"));
    m_form->filRSNNames_Click();
    QCOMPARE(label(), QStringLiteral("File: Castle Quest.rsn"));
    QCOMPARE(preview(), (QStringList{"01 Opening.spc", "02 Overworld.spc", "03 Boss Battle.spc", "04 Ending.spc"}));

    select(QStringLiteral("Ocean Voyage.RSN"));
    m_form->filRSNNames_Click();
    QCOMPARE(label(), QStringLiteral("File: Ocean Voyage.RSN"));
    QCOMPARE(preview(), (QStringList{"Harbor Town.spc", "Lighthouse.spc", "ocean Theme.spc"}));
    QVERIFY(m_messages.shown.isEmpty());
}

void Form1PreviewTest::keyboardMovePreviews()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    select(QStringLiteral("Docs Only.rsn"));
    m_messages = {};
    QTest::keyClick(m_files, Qt::Key_Down);
    QCOMPARE(label(), QStringLiteral("File: Ocean Voyage.RSN"));
    QCOMPARE(preview().size(), 3);
    QTest::keyClick(m_files, Qt::Key_End);
    QCOMPARE(label(), QStringLiteral("File: Star Racer.rsn"));
    QCOMPARE(preview().size(), 12);
    QCOMPARE(preview().constFirst(), QStringLiteral("01 Track.spc"));

    // A click previews the item under the mouse.
    const QRect castle = m_files->visualItemRect(m_files->item(1));
    QTest::mouseClick(m_files->viewport(), Qt::LeftButton, {}, castle.center());
    QCOMPARE(label(), QStringLiteral("File: Castle Quest.rsn"));
    QCOMPARE(preview().size(), 4);
    QVERIFY(m_messages.shown.isEmpty());
}

void Form1PreviewTest::archiveOfTextFilesHasNoPlayableFiles()
{
    select(QStringLiteral("Castle Quest.rsn"));
    m_form->filRSNNames_Click();
    select(QStringLiteral("Docs Only.rsn"));
    m_form->filRSNNames_Click();
    QCOMPARE(label(), QStringLiteral("File: Docs Only.rsn"));
    QVERIFY(preview().isEmpty());
    QCOMPARE(m_messages.shown.size(), 1);
    QCOMPARE(m_messages.shown[0].prompt,
             QStringLiteral("No playable files were found in this archive. It may be a "
                            "RAR of a RAR, or may contain no SPC files."));
    QCOMPARE(m_messages.shown[0].title, QStringLiteral("No Playable Files"));
    QCOMPARE(m_messages.shown[0].style, int(MsgOkOnly));
}

void Form1PreviewTest::archiveThatFailsToOpen()
{
    select(QStringLiteral("Castle Quest.rsn"));
    m_form->filRSNNames_Click();
    select(QStringLiteral("Broken.rsn"));
    m_form->filRSNNames_Click();
    QCOMPARE(label(), QStringLiteral("File: Broken.rsn"));
    QVERIFY(preview().isEmpty());
    QCOMPARE(m_messages.shown.size(), 2);
    QVERIFY2(m_messages.shown[0].title.startsWith(QStringLiteral("Error code ")),
             qPrintable(m_messages.shown[0].title));
    QVERIFY(m_messages.shown[0].prompt.startsWith(m_dir->filePath(QStringLiteral("Broken.rsn")) + u':'));
    QCOMPARE(m_messages.shown[1].title, QStringLiteral("No Playable Files"));
}

void Form1PreviewTest::clickDuringPreviewWaitsForIt()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    select(QStringLiteral("Star Racer.rsn"));

    // The first yield of the preview of "Star Racer" lets a key move the
    // current item: that preview must not start in the middle of this one.
    int yields = 0;
    QString labelDuringYield;
    setYieldHandler([&] {
        if (++yields == 1) {
            QTest::keyClick(m_files, Qt::Key_Home);
            QTest::keyClick(m_files, Qt::Key_Down); // Castle Quest, the latest request
            labelDuringYield = label();
        }
        QCoreApplication::processEvents();
    });
    m_form->filRSNNames_Click();

    QCOMPARE(labelDuringYield, QStringLiteral("File: Star Racer.rsn"));
    QCOMPARE(label(), QStringLiteral("File: Castle Quest.rsn"));
    QCOMPARE(preview(), (QStringList{"01 Opening.spc", "02 Overworld.spc", "03 Boss Battle.spc", "04 Ending.spc"}));
    QVERIFY(m_messages.shown.isEmpty());
}

void Form1PreviewTest::clickDuringBuildNeverInterleaves()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_files->item(1)->setSelected(true); // Castle Quest
    m_files->item(3)->setSelected(true); // Ocean Voyage
    select(QStringLiteral("Star Racer.rsn"));
    auto *button = m_form->findChild<QPushButton *>(QStringLiteral("cmdAddFiles"));

    int yields = 0;
    QStringList previewDuringBuild{QStringLiteral("unchanged")};
    setYieldHandler([&] {
        if (++yields == 1) {
            QTest::mouseClick(button, Qt::LeftButton); // ignored: a build runs
            m_form->filRSNNames_Click();               // waits for the build
            previewDuringBuild = preview();
        }
        QCoreApplication::processEvents();
    });
    m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"))->addItem(QStringLiteral("unchanged"));
    button->click();

    QCOMPARE(previewDuringBuild, QStringList{QStringLiteral("unchanged")});
    QCOMPARE(fileBytes(m_dir->filePath(QStringLiteral("RSN Playlist.m3u"))),
             QByteArray::fromStdString(demo::firstAndThirdPlaylist()));
    // No second build (it would have asked before overwriting the playlist).
    QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.titles().join(u',')));
    // The preview asked for during the build ran after it.
    QCOMPARE(label(), QStringLiteral("File: Star Racer.rsn"));
    QCOMPARE(preview().size(), 12);
    QVERIFY(m_files->isEnabled());
}

void Form1PreviewTest::closeDuringPreviewWaitsForIt()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    select(QStringLiteral("Castle Quest.rsn"));
    bool closedDuringPreview = true;
    int yields = 0;
    setYieldHandler([&] {
        if (++yields == 1) {
            closedDuringPreview = m_form->close();
            select(QStringLiteral("Star Racer.rsn"));
            m_form->filRSNNames_Click(); // dropped: the window is closing
        }
    });
    m_form->filRSNNames_Click();
    QVERIFY(!closedDuringPreview);
    QCOMPARE(preview().size(), 4);
    QVERIFY(!m_form->isVisible());
}

void Form1PreviewTest::tooltipsTellTheTagsAfterThePreview()
{
    QByteArray spc(0x10200, '\0');
    spc.replace(0, 27, "SNES-SPC700 Sound File Data");
    spc[0x23] = 26;
    spc.replace(0x2E, 5, "Title").replace(0x4E, 4, "Game").replace(0xA9, 3, "125").replace(0xAC, 4, "5000");
    spc.replace(0xB1, 6, "Artist");
    QVERIFY(writeArchive(m_dir->filePath("Tagged.rsn"), {{"b.spc", spc}, {"a.spc", "no tags"}}));
    m_form->dirRSNNames_Change();
    select(QStringLiteral("Tagged.rsn"));
    m_form->filRSNNames_Click();
    auto *list = m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"));
    QCOMPARE(preview(), (QStringList{"a.spc", "b.spc"}));
    QCOMPARE(list->item(1)->toolTip(), QString()); // the preview does not wait for the tags
    QTRY_COMPARE(list->item(1)->toolTip(), QStringLiteral("Artist - Title\nGame\n2:10"));
    QCOMPARE(list->item(0)->toolTip(), QString());
}

QTEST_MAIN(Form1PreviewTest)
#include "tst_form1_preview.moc"
