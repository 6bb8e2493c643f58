// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Browsing drives and folders: what the lists show, and that browsing
// leaves the preview alone.
#include "dir_list_box.h"
#include "drive_list_box.h"
#include "file_list_box.h"
#include "form1.h"
#include "form1_test_support.h"
#include "user_interaction.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

class Form1BrowsingTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void folderListShowsChainThenSubfolders();
    void fileListShowsMatchingNamesSorted();
    void doubleClickOpensFolderAndKeepsPreview();
    void enterOpensFolder();
    void vanishedFolderIsReportedAndWindowStays();

    void dropBrowses_data();
    void dropBrowses();

    void driveListRemembersFolderPerVolume();

private:
    QListWidgetItem *folderItem(const QString &text) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
    ScriptedMessageBoxes m_messages;
    std::unique_ptr<Form1> m_form;
    DirListBox *m_folders = nullptr;
    FileListBox *m_files = nullptr;
};

void Form1BrowsingTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = QDir(m_dir->path()).canonicalPath();
    QDir root(m_root);
    for (const char *folder : {"beta", "Alpha", "gamma", ".hidden", "Alpha/inner", "folder.rsn"})
        QVERIFY(root.mkpath(QLatin1String(folder)));
    for (const char *file : {"b.rsn", "A.RSN", "c.Rsn", "x.txt", "rsn", "Alpha/inner.rsn"}) {
        QFile f(root.filePath(QLatin1String(file)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    startIn(m_root);
    m_messages = {};
    m_form = std::make_unique<Form1>(&m_messages);
    QVERIFY(m_form->Form_Load(builtLibraryFolder()));
    m_folders = m_form->findChild<DirListBox *>(QStringLiteral("dirRSNNames"));
    m_files = m_form->findChild<FileListBox *>(QStringLiteral("filRSNNames"));
}

void Form1BrowsingTest::cleanup()
{
    m_form.reset();
    startIn(QDir::tempPath());
    m_dir.reset();
}

QListWidgetItem *Form1BrowsingTest::folderItem(const QString &text) const
{
    const auto found = m_folders->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.constLast();
}

void Form1BrowsingTest::folderListShowsChainThenSubfolders()
{
    QCOMPARE(m_folders->path(), m_root);
    const QStringList parts = m_root.split(u'/', Qt::SkipEmptyParts);
    QStringList expected{QStringLiteral("/")};
    expected += parts;
    expected += QStringList{"Alpha", "beta", "folder.rsn", "gamma"};
    QCOMPARE(itemTexts(m_folders), expected);
    // The current folder is the last of the chain.
    QCOMPARE(m_folders->currentRow(), int(parts.size()));
    QCOMPARE(DirListBox::folderOf(m_folders->item(0)), QStringLiteral("/"));
    QCOMPARE(DirListBox::folderOf(folderItem(QStringLiteral("Alpha"))), m_root + QStringLiteral("/Alpha"));
}

void Form1BrowsingTest::fileListShowsMatchingNamesSorted()
{
    QCOMPARE(m_files->path(), m_root);
    QCOMPARE(itemTexts(m_files), (QStringList{"A.RSN", "b.rsn", "c.Rsn"}));
}

void Form1BrowsingTest::doubleClickOpensFolderAndKeepsPreview()
{
    auto *label = m_form->findChild<QLabel *>(QStringLiteral("lblCurrentFile"));
    auto *preview = m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"));
    label->setText(QStringLiteral("File: b.rsn"));
    preview->addItems({"01 Intro.spc", "02 Boss.spc"});

    QListWidgetItem *alpha = folderItem(QStringLiteral("Alpha"));
    QVERIFY(alpha);
    emit m_folders->itemDoubleClicked(alpha);

    QCOMPARE(m_folders->path(), m_root + QStringLiteral("/Alpha"));
    QCOMPARE(m_files->path(), m_root + QStringLiteral("/Alpha"));
    QCOMPARE(itemTexts(m_files), QStringList{QStringLiteral("inner.rsn")});
    QCOMPARE(m_folders->currentItem()->text(), QStringLiteral("Alpha"));
    QCOMPARE(m_folders->item(m_folders->count() - 1)->text(), QStringLiteral("inner"));

    // Back up the chain.
    emit m_folders->itemDoubleClicked(m_folders->item(m_folders->currentRow() - 1));
    QCOMPARE(m_files->path(), m_root);

    QCOMPARE(label->text(), QStringLiteral("File: b.rsn"));
    QCOMPARE(itemTexts(preview), (QStringList{"01 Intro.spc", "02 Boss.spc"}));
    QVERIFY(m_messages.shown.isEmpty());
}

void Form1BrowsingTest::enterOpensFolder()
{
    m_folders->setCurrentItem(folderItem(QStringLiteral("gamma")));
    QTest::keyClick(m_folders, Qt::Key_Return);
    QCOMPARE(m_files->path(), m_root + QStringLiteral("/gamma"));
    QCOMPARE(m_files->count(), 0);
}

void Form1BrowsingTest::vanishedFolderIsReportedAndWindowStays()
{
    QVERIFY(QDir(m_root).rmdir(QStringLiteral("beta")));
    emit m_folders->itemDoubleClicked(folderItem(QStringLiteral("beta")));

    QCOMPARE(m_messages.shown.size(), 1);
    QVERIFY2(m_messages.shown[0].prompt.contains(m_root + QStringLiteral("/beta")),
             qPrintable(m_messages.shown[0].prompt));
    QCOMPARE(m_messages.shown[0].style, int(MsgExclamation));
    QCOMPARE(m_folders->path(), m_root);
    QCOMPARE(m_files->path(), m_root);
    QCOMPARE(itemTexts(m_files), (QStringList{"A.RSN", "b.rsn", "c.Rsn"}));
}

void Form1BrowsingTest::dropBrowses_data()
{
    QTest::addColumn<QString>("dropped"); // relative to the test folder, or a URL
    QTest::addColumn<QString>("shown");   // the folder shown afterwards
    QTest::addColumn<bool>("accepted");
    QTest::newRow("folder") << "Alpha"
                            << "Alpha" << true;
    QTest::newRow("archive") << "Alpha/inner.rsn"
                             << "Alpha" << true;
    QTest::newRow("vanished") << "nothing-here"
                              << "" << false;
    QTest::newRow("web address") << "https://example.org/x.rsn"
                                 << "" << false;
}

// A folder or archive dropped from a file manager browses there; nothing
// else about the window changes.
void Form1BrowsingTest::dropBrowses()
{
    QFETCH(QString, dropped);
    QFETCH(QString, shown);
    QFETCH(bool, accepted);
    auto *label = m_form->findChild<QLabel *>(QStringLiteral("lblCurrentFile"));
    label->setText(QStringLiteral("File: b.rsn"));

    QMimeData data;
    const QUrl url = dropped.contains(u':') ? QUrl(dropped) : QUrl::fromLocalFile(m_root + u'/' + dropped);
    data.setUrls({url});
    const QPoint middle = m_form->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_form.get(), &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_form.get(), &drop);

    const QString expected = shown.isEmpty() ? m_root : m_root + u'/' + shown;
    QCOMPARE(m_folders->path(), expected);
    QCOMPARE(m_files->path(), expected);
    QCOMPARE(label->text(), QStringLiteral("File: b.rsn"));
    QVERIFY(m_messages.shown.isEmpty());
}

void Form1BrowsingTest::driveListRemembersFolderPerVolume()
{
    auto *drives = m_form->findChild<DriveListBox *>(QStringLiteral("drvRSNNames"));
    QVERIFY(drives->findData(QStringLiteral("/")) >= 0);
    for (int i = 0; i < drives->count(); ++i) {
        const QString root = drives->itemData(i).toString();
        QVERIFY2(!root.startsWith(QStringLiteral("/proc")) && !root.startsWith(QStringLiteral("/sys")),
                 qPrintable(root));
    }
    const QString volume = drives->volumeOf(m_root);
    QCOMPARE(drives->drive(), volume);
    QCOMPARE(drives->folderOn(volume), m_root);

    emit m_folders->itemDoubleClicked(folderItem(QStringLiteral("Alpha")));
    QCOMPARE(drives->folderOn(volume), m_root + QStringLiteral("/Alpha"));

    // Choosing the volume again returns to the folder last shown on it...
    m_form->drvRSNNames_Change();
    QCOMPARE(m_folders->path(), m_root + QStringLiteral("/Alpha"));

    // ...or to its root once that folder is gone.
    emit m_folders->itemDoubleClicked(folderItem(QStringLiteral("inner")));
    QVERIFY(QDir(m_root).rmdir(QStringLiteral("Alpha/inner")));
    m_form->drvRSNNames_Change();
    QCOMPARE(m_folders->path(), volume);
    QVERIFY(m_messages.shown.isEmpty());
}

QTEST_MAIN(Form1BrowsingTest)
#include "tst_form1_browsing.moc"
