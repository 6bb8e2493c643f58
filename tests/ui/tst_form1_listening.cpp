// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listening from the preview list with the real player (run beside a
// private sound server): which queue a key or a double-click starts, what
// the other keys do, the playing item's icon and tooltip, and that
// previewing, skipping and closing treat the music as they should.
#include "file_list_box.h"
#include "form1.h"
#include "form1_test_support.h"
#include "player.h"
#include "spc_tone.h"

#include <QListWidget>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

namespace {
QByteArray tone(const char *title, double hz)
{
    testspc::Tone tone;
    tone.title = title;
    tone.pitch = testspc::pitchForHz(hz);
    tone.playSeconds = 60;
    tone.fadeMs = 0;
    return QByteArray::fromStdString(testspc::makeSpc(tone));
}

QImage image(const QIcon &icon)
{
    return icon.pixmap(16).toImage();
}
} // namespace

class Form1ListeningTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsTheListAtTheChosenTrack_data();
    void startsTheListAtTheChosenTrack();
    void keysControlThePlayer_data();
    void keysControlThePlayer();
    void iconAndTooltipFollowThePlayer();
    void previewingAnotherArchiveKeepsPlaying();
    void closingStops();

private:
    void preview(const QString &archive);
    void playFirst();
    QString toolTip(int row);
    QIcon standard(QStyle::StandardPixmap icon) const { return m_list->style()->standardIcon(icon); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedMessageBoxes m_messages;
    std::unique_ptr<Form1> m_form;
    FileListBox *m_files = nullptr;
    QListWidget *m_list = nullptr;
    Player *m_player = nullptr;
};

void Form1ListeningTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    // Sorted by name; the second is no SPC at all, the third in a folder.
    QVERIFY(writeArchive(m_dir->filePath("Tones.rsn"),
                         {{"Disc 2/03 High.spc", tone("High", 2000)},
                          {"01 Low.spc", tone("Low", 500)},
                          {"02 Broken.spc", "not a sound file"}}));
    QVERIFY(writeArchive(m_dir->filePath("Other.rsn"), {{"Only.spc", tone("Only", 1000)}}));
    m_messages = {};
    startIn(m_dir->path());
    m_form = std::make_unique<Form1>(&m_messages);
    QVERIFY(m_form->Form_Load(builtLibraryFolder()));
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_files = m_form->findChild<FileListBox *>(QStringLiteral("filRSNNames"));
    m_list = m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"));
    m_player = m_form->findChild<Player *>();
    QVERIFY(m_player);
    preview(QStringLiteral("Tones.rsn"));
    QCOMPARE(itemTexts(m_list), (QStringList{"01 Low.spc", "02 Broken.spc", "03 High.spc"}));
    m_list->setFocus();
}

void Form1ListeningTest::cleanup()
{
    m_form.reset();
    startIn(QDir::tempPath());
    m_dir.reset();
}

void Form1ListeningTest::preview(const QString &archive)
{
    m_files->setCurrentItem(m_files->findItems(archive, Qt::MatchExactly).value(0), QItemSelectionModel::NoUpdate);
    m_form->filRSNNames_Click();
}

void Form1ListeningTest::playFirst()
{
    m_list->setCurrentRow(0);
    QTest::keyClick(m_list, Qt::Key_Return);
    QTRY_COMPARE(m_player->status(), Player::Status::Playing);
    QTRY_COMPARE(m_player->currentIndex(), 0);
}

// What a person resting the mouse on the item would read.
QString Form1ListeningTest::toolTip(int row)
{
    const QPoint at = m_list->visualItemRect(m_list->item(row)).center();
    QHelpEvent event(QEvent::ToolTip, at, m_list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(m_list->viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void Form1ListeningTest::startsTheListAtTheChosenTrack_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<int>("key");
    QTest::newRow("Enter on the first") << 0 << false << int(Qt::Key_Return);
    QTest::newRow("keypad Enter on the last") << 2 << false << int(Qt::Key_Enter);
    QTest::newRow("double-click on the last") << 2 << true << 0;
}

void Form1ListeningTest::startsTheListAtTheChosenTrack()
{
    QFETCH(int, row);
    QFETCH(bool, doubleClick);
    QFETCH(int, key);
    m_list->setCurrentRow(row);
    if (doubleClick) {
        // As a mouse does it: a click, then the second press of the double-click.
        const QPoint at = m_list->visualItemRect(m_list->item(row)).center();
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, at);
    } else
        QTest::keyClick(m_list, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    const QString archive = m_dir->filePath("Tones.rsn");
    const QList<TrackRef> tracks{{archive, "01 Low.spc", "01 Low.spc"},
                                 {archive, "02 Broken.spc", "02 Broken.spc"},
                                 {archive, "Disc 2\\03 High.spc", "03 High.spc"}};
    QCOMPARE(m_player->queue(), tracks);
    QTRY_COMPARE(m_player->currentIndex(), row);
    QCOMPARE(m_player->status(), Player::Status::Playing);
    QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.titles().join(u',')));
}

void Form1ListeningTest::keysControlThePlayer_data()
{
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<Player::Status>("status");
    QTest::addColumn<qint64>("seekedTo"); // -1: no seek
    QTest::addColumn<int>("selected");
    using S = Player::Status;
    QTest::newRow("Space pauses") << QList<int>{Qt::Key_Space} << S::Paused << qint64(-1) << 0;
    QTest::newRow("Space resumes") << QList<int>{Qt::Key_Space, Qt::Key_Space} << S::Playing << qint64(-1) << 0;
    QTest::newRow("Esc stops") << QList<int>{Qt::Key_Escape} << S::Stopped << qint64(-1) << 0;
    QTest::newRow("Right seeks on") << QList<int>{Qt::Key_Right} << S::Playing << qint64(5000) << 0;
    QTest::newRow("Left seeks back") << QList<int>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Left} << S::Playing
                                     << qint64(5000) << 0;
    QTest::newRow("Down selects") << QList<int>{Qt::Key_Down} << S::Playing << qint64(-1) << 1;
}

void Form1ListeningTest::keysControlThePlayer()
{
    QFETCH(QList<int>, keys);
    QFETCH(Player::Status, status);
    QFETCH(qint64, seekedTo);
    QFETCH(int, selected);
    playFirst();
    QSignalSpy seeks(m_player, &Player::seeked);
    for (int key : keys)
        QTest::keyClick(m_list, Qt::Key(key));
    QTRY_COMPARE(m_player->status(), status);
    QCOMPARE(m_list->currentRow(), selected);
    if (status != Player::Status::Stopped)
        QCOMPARE(m_player->currentIndex(), 0);
    if (seekedTo < 0) {
        QVERIFY(seeks.isEmpty());
    } else {
        QTRY_COMPARE(seeks.size(), keys.size());
        // Seeks start from where the listener is, a moment after the start.
        const qint64 at = seeks.constLast().constFirst().toLongLong();
        QVERIFY2(at >= seekedTo && at < seekedTo + 1500, qPrintable(QString::number(at)));
    }
}

void Form1ListeningTest::iconAndTooltipFollowThePlayer()
{
    QTRY_VERIFY(!m_list->item(0)->toolTip().isEmpty()); // the tags are in
    const QString tags = m_list->item(0)->toolTip();
    QCOMPARE(toolTip(0), tags);
    playFirst();
    QCOMPARE(image(m_list->item(0)->icon()), image(standard(QStyle::SP_MediaPlay)));
    QVERIFY(m_list->item(1)->icon().isNull());
    QVERIFY(m_list->item(2)->icon().isNull());
    const QRegularExpression position(QRegularExpression::escape(tags) + "\n0:0(\\d) / 1:00");
    QRegularExpressionMatch shown = position.match(toolTip(0));
    QVERIFY2(shown.hasMatch(), qPrintable(QToolTip::text()));
    // While it is shown, the tooltip moves on with the music.
    QTRY_VERIFY_WITH_TIMEOUT(position.match(QToolTip::text()).captured(1) > shown.captured(1), 3000);

    QTest::keyClick(m_list, Qt::Key_Space);
    QTRY_COMPARE(image(m_list->item(0)->icon()), image(standard(QStyle::SP_MediaPause)));
    QTest::keyClick(m_list, Qt::Key_Space);
    QTRY_COMPARE(image(m_list->item(0)->icon()), image(standard(QStyle::SP_MediaPlay)));

    // The broken track is skipped with no message; its tooltip says why.
    m_player->next();
    QTRY_COMPARE(m_player->currentIndex(), 2);
    QVERIFY(m_list->item(0)->icon().isNull());
    QCOMPARE(image(m_list->item(2)->icon()), image(standard(QStyle::SP_MediaPlay)));
    QVERIFY2(!toolTip(1).isEmpty(), "no reason for the skipped track");
    QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.titles().join(u',')));

    QTest::keyClick(m_list, Qt::Key_Escape);
    QTRY_VERIFY(m_list->item(2)->icon().isNull());
    QCOMPARE(toolTip(0), tags);
}

void Form1ListeningTest::previewingAnotherArchiveKeepsPlaying()
{
    playFirst();
    const QList<TrackRef> queue = m_player->queue();
    QSignalSpy statuses(m_player, &Player::statusChanged);
    preview(QStringLiteral("Other.rsn"));
    QCOMPARE(itemTexts(m_list), QStringList{"Only.spc"});
    QVERIFY(m_list->item(0)->icon().isNull());
    QCOMPARE(toolTip(0), m_list->item(0)->toolTip());
    preview(QStringLiteral("Tones.rsn"));
    QCOMPARE(image(m_list->item(0)->icon()), image(standard(QStyle::SP_MediaPlay)));
    QCOMPARE(m_player->queue(), queue);
    QCOMPARE(m_player->status(), Player::Status::Playing);
    QVERIFY(statuses.isEmpty());
}

void Form1ListeningTest::closingStops()
{
    playFirst();
    QVERIFY(m_form->close());
    QCOMPARE(m_player->status(), Player::Status::Stopped);
}

QTEST_MAIN(Form1ListeningTest)
#include "tst_form1_listening.moc"
