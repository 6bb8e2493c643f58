// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The window's controls, the name box's rule and the start-up check.
#include "form1.h"
#include "form1_test_support.h"
#include "unrar_library.h"
#include "user_interaction.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class Form1LayoutTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void window();
    void controls_data();
    void controls();
    void tabOrder();

    void nameRule_data();
    void nameRule();
    void pressingTheButtonAppliesTheNameRule();

    void startsWithoutLibrary();
    void startsWithFileThatIsNoLibrary();
    void startsWithLibrary();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir &m_folder() { return *m_dir; }
    ScriptedMessageBoxes m_messages;
    std::unique_ptr<Form1> m_form;
};

void Form1LayoutTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    startIn(m_dir->path());
    m_messages = {};
    m_form = std::make_unique<Form1>(&m_messages);
}

void Form1LayoutTest::cleanup()
{
    m_form.reset();
    startIn(QDir::tempPath());
    m_dir.reset();
}

void Form1LayoutTest::window()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Marrowfen"));
    // 5940 x 4815 twips at 15 twips a pixel.
    QCOMPARE(m_form->size(), QSize(396, 321));
    // Fixed positions: resizing moves nothing.
    auto *files = m_form->findChild<QWidget *>(QStringLiteral("filRSNNames"));
    const QRect before = files->geometry();
    m_form->resize(800, 600);
    QCOMPARE(files->geometry(), before);
}

void Form1LayoutTest::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");

    QTest::newRow("drvRSNNames") << "drvRSNNames"
                                 << "DriveListBox" << QRect(120, 0, 3615, 315) << "";
    QTest::newRow("dirRSNNames") << "dirRSNNames"
                                 << "DirListBox" << QRect(120, 360, 3615, 1890) << "";
    QTest::newRow("filRSNNames") << "filRSNNames"
                                 << "FileListBox" << QRect(120, 2280, 3615, 1455) << "";
    QTest::newRow("lblCurrentFile") << "lblCurrentFile"
                                    << "QLabel" << QRect(3840, 120, 1935, 255) << "File:";
    QTest::newRow("lstFiles") << "lstFiles"
                              << "QListWidget" << QRect(3840, 360, 2055, 3375) << "";
    QTest::newRow("lblSelectHelp") << "lblSelectHelp"
                                   << "QLabel" << QRect(240, 3840, 1095, 615) << "Hover For Multi-Selection Help";
    QTest::newRow("Label1") << "Label1"
                            << "QLabel" << QRect(1440, 3840, 1095, 255) << "Playlist Name:";
    QTest::newRow("txtPlaylistName") << "txtPlaylistName"
                                     << "QLineEdit" << QRect(2520, 3840, 1815, 285) << "RSN Playlist.m3u";
    QTest::newRow("cmdAddFiles") << "cmdAddFiles"
                                 << "QPushButton" << QRect(2040, 4320, 1815, 375) << "Add File Contents";
}

void Form1LayoutTest::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, twips);
    QFETCH(QString, text);

    auto *control = m_form->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), className);
    QCOMPARE(control->geometry(), QRect(twips.left() / 15, twips.top() / 15, twips.width() / 15, twips.height() / 15));
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        QCOMPARE(edit->text(), text);
    else if (auto *button = qobject_cast<QPushButton *>(control))
        QCOMPARE(button->text(), text);

    if (name == u"lblSelectHelp") {
        QCOMPARE(control->toolTip(),
                 QStringLiteral("Hold 'Ctrl' and click to select/unselect individual files. "
                                "Hold down the click button and drag to select many files at "
                                "once"));
    }
    if (name == u"filRSNNames") {
        QCOMPARE(static_cast<QListWidget *>(control)->selectionMode(), QAbstractItemView::ExtendedSelection);
    }
    if (name == u"lstFiles")
        QCOMPARE(static_cast<QListWidget *>(control)->count(), 0);
}

void Form1LayoutTest::tabOrder()
{
    QStringList order;
    QWidget *widget = m_form->findChild<QWidget *>(QStringLiteral("dirRSNNames"));
    for (int i = 0; i < 200 && order.size() < 6; ++i) {
        if (widget->focusPolicy() & Qt::TabFocus && widget->parentWidget() == m_form.get())
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    QCOMPARE(order,
             (QStringList{"dirRSNNames", "drvRSNNames", "filRSNNames", "lstFiles", "cmdAddFiles", "txtPlaylistName"}));
}

void Form1LayoutTest::nameRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("no ending") << "mix"
                               << "mix.m3u";
    QTest::newRow("upper-case ending kept") << "mix.M3U"
                                            << "mix.M3U";
    QTest::newRow("empty") << ""
                           << ".m3u";
    QTest::newRow("shorter ending") << "a.m3"
                                    << "a.m3.m3u";
    QTest::newRow("other ending") << "list.m3u8"
                                  << "list.m3u8.m3u";
    QTest::newRow("exact") << "x.m3u"
                           << "x.m3u";
}

void Form1LayoutTest::nameRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);

    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    auto *name = m_form->findChild<QLineEdit *>(QStringLiteral("txtPlaylistName"));
    name->setFocus();
    name->setText(typed);
    m_form->findChild<QWidget *>(QStringLiteral("lstFiles"))->setFocus();
    QCOMPARE(name->text(), kept);
}

void Form1LayoutTest::pressingTheButtonAppliesTheNameRule()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    auto *name = m_form->findChild<QLineEdit *>(QStringLiteral("txtPlaylistName"));
    name->setFocus();
    name->clear();
    QTest::keyClicks(name, QStringLiteral("mix"));
    QTest::mouseClick(m_form->findChild<QPushButton *>(QStringLiteral("cmdAddFiles")), Qt::LeftButton);
    QCOMPARE(name->text(), QStringLiteral("mix.m3u"));
}

void Form1LayoutTest::startsWithoutLibrary()
{
    QVERIFY(!m_form->Form_Load(m_folder().path()));
    QCOMPARE(m_messages.shown.size(), 1);
    const QString expected = QStringLiteral("The file \"%1\" needs to be in the same folder as this program.\r\n"
                                            "It was distributed with this program, but if you want an original "
                                            "copy, you can get it from the same place I did:\r\n"
                                            "https://www.rarlab.com/rar_add.htm")
                                 .arg(UnrarLibrary::fileName());
    QCOMPARE(m_messages.shown[0].prompt, expected);
    QCOMPARE(m_messages.shown[0].title, QStringLiteral("Marrowfen"));
    QCOMPARE(m_messages.shown[0].style, int(MsgOkOnly));
    QVERIFY(!archiveLibrary());
}

void Form1LayoutTest::startsWithFileThatIsNoLibrary()
{
    const QString path = m_folder().filePath(UnrarLibrary::fileName());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a shared library\n");
    file.close();

    QVERIFY(!m_form->Form_Load(m_folder().path()));
    QCOMPARE(m_messages.shown.size(), 1);
    const ShownMessage &shown = m_messages.shown[0];
    QVERIFY2(shown.prompt.contains(path), qPrintable(shown.prompt));
    QVERIFY2(shown.prompt.count(u'\n') == 1 && !shown.prompt.endsWith(u'\n'), qPrintable(shown.prompt));
    QCOMPARE(shown.style, int(MsgCritical));
    QVERIFY(!archiveLibrary());
}

void Form1LayoutTest::startsWithLibrary()
{
    QVERIFY(QFile::copy(builtLibraryFolder() + u'/' + UnrarLibrary::fileName(),
                        m_folder().filePath(UnrarLibrary::fileName())));
    QFile archive(m_folder().filePath(QStringLiteral("Game.rsn")));
    QVERIFY(archive.open(QIODevice::WriteOnly));
    archive.close();

    QVERIFY(m_form->Form_Load(m_folder().path()));
    QVERIFY(m_messages.shown.isEmpty());
    QVERIFY(archiveLibrary());
    // The file list follows the folder the window started on.
    QCOMPARE(itemTexts(m_form->findChild<QListWidget *>(QStringLiteral("filRSNNames"))),
             QStringList{QStringLiteral("Game.rsn")});
    m_form.reset();
    QVERIFY(!archiveLibrary());
}

QTEST_MAIN(Form1LayoutTest)
#include "tst_form1_layout.moc"
