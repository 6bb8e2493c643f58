// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listening from the preview list with the real player, beside a private
// sound server: the queue each way of starting gives, the keys, the icons
// through other previews and closing, the tooltip's position, skipping.
#include "demo_archives.h"
#include "file_list_box.h"
#include "form1.h"
#include "form1_test_support.h"
#include "player.h"

#include <QListWidget>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

class Form1ListeningTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(demo::writeTones(QFile::encodeName(m_dir.path()).toStdString(), 30));
        m_messages = {};
        m_form = startOnDemoFolder(m_dir.path(), m_messages);
        QVERIFY(m_form);
        m_form->show();
        m_list = m_form->findChild<QListWidget *>(QStringLiteral("lstFiles"));
        m_player = m_form->findChild<Player *>();
        preview("Tones.rsn");
        QCOMPARE(itemTexts(m_list), (QStringList{"1 Low.spc", "2 Middle.spc", "3 High.spc", "4 Broken.spc"}));
        m_list->setFocus();
    }
    void cleanup() { m_form.reset(); }
    void controls_data();
    void controls();
    void tooltips();
    void withoutSoundServer();

private:
    void preview(const char *archive)
    {
        auto *files = m_form->findChild<FileListBox *>();
        files->setCurrentItem(files->findItems(archive, Qt::MatchExactly).value(0), QItemSelectionModel::NoUpdate);
        m_form->filRSNNames_Click();
    }
    void play(int row)
    {
        m_list->setCurrentRow(row);
        QTest::keyClick(m_list, Qt::Key_Return);
        QTRY_COMPARE(m_player->queue().size(), 4);
    }
    QString icons() const // "play", "pause" or "" for each item
    {
        auto image = [](const QIcon &icon) { return icon.pixmap(16).toImage(); };
        const QImage play = image(m_list->style()->standardIcon(QStyle::SP_MediaPlay));
        const QImage pause = image(m_list->style()->standardIcon(QStyle::SP_MediaPause));
        QStringList shown;
        for (int row = 0; row < m_list->count(); ++row) {
            const QImage icon = image(m_list->item(row)->icon());
            shown << (icon.isNull() ? "" : icon == play ? "play" : icon == pause ? "pause" : "?");
        }
        return shown.join(u'|');
    }
    QString toolTip(int row) // what resting the mouse on the item shows
    {
        const QPoint at = m_list->visualItemRect(m_list->item(row)).center();
        QCursor::setPos(m_list->viewport()->mapToGlobal(at));
        QHelpEvent event(QEvent::ToolTip, at, QCursor::pos());
        QCoreApplication::sendEvent(m_list->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    QTemporaryDir m_dir;
    ScriptedMessageBoxes m_messages;
    std::unique_ptr<Form1> m_form;
    QListWidget *m_list = nullptr;
    Player *m_player = nullptr;
};

// Each row's steps: keys as Qt names them (a row to start on after the
// key), "double" and its row, "other" and "tones" to preview an archive,
// "close"; then the items' icons (so what plays) and the selection.
void Form1ListeningTest::controls_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("icons");
    QTest::addColumn<int>("selected");
    QTest::addColumn<qint64>("seekedTo"); // -1: no seek
    auto row = [](const char *name, const char *steps, const char *icons, int selected, qint64 seekedTo = -1) {
        QTest::newRow(name) << QString(steps) << QString(icons) << selected << seekedTo;
    };
    row("Enter", "Return0", "play|||", 0);
    row("keypad Enter", "Num+Enter2", "||play|", 2);
    row("double-click", "double2", "||play|", 2);
    row("Space pauses", "Return0 Space", "pause|||", 0);
    row("Space resumes", "Return1 Space Space", "|play||", 1);
    row("Esc stops", "Return0 Esc", "|||", 0);
    row("Right seeks on", "Return0 Right", "play|||", 0, 5000);
    row("Left seeks back", "Return0 Right Right Left", "play|||", 0, 5000);
    row("Down selects", "Return0 Down", "play|||", 1);
    row("other previews", "Return1 other", "|||", -1);
    row("previewed again", "Return1 other tones", "|play||", -1);
    row("closing", "Return0 close", "|||", 0);
}

void Form1ListeningTest::controls()
{
    QFETCH(QString, steps);
    QFETCH(QString, icons);
    QFETCH(qint64, seekedTo);
    QSignalSpy seeks(m_player, &Player::seeked);
    for (const QString &step : steps.split(u' ')) {
        const int row = step.back().digitValue();
        const QString word = row < 0 ? step : step.chopped(1);
        if (row >= 0)
            m_list->setCurrentRow(row);
        if (word == "double") {
            const QPoint at = m_list->visualItemRect(m_list->currentItem()).center();
            QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, at); // the double-click's first click
            QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, at);
        } else if (word == "close") {
            QVERIFY(m_form->close());
        } else if (word == "other" || word == "tones") {
            preview(word == "other" ? "Castle Quest.rsn" : "Tones.rsn");
        } else {
            const QKeyCombination key = QKeySequence(word)[0];
            QTest::keyClick(m_list, key.key(), key.keyboardModifiers());
        }
        if (row >= 0)
            QTRY_COMPARE(m_player->currentIndex(), row);
    }
    QTRY_COMPARE(this->icons(), icons); // which track plays, or is paused, or none
    QTEST(m_list->currentRow(), "selected");
    // The whole archive in the list's order, the member's path inside it.
    QCOMPARE(m_player->queue().size(), 4);
    QCOMPARE(m_player->queue()[2], (TrackRef{m_dir.filePath("Tones.rsn"), "Disc 2\\3 High.spc", "3 High.spc"}));
    QTRY_COMPARE(seeks.size(), seekedTo < 0 ? 0 : steps.count(u' '));
    const qint64 seeked = seeks.isEmpty() ? -1 : seeks.constLast().constFirst().toLongLong();
    QVERIFY2(seeked >= seekedTo && seeked < seekedTo + 1500, qPrintable(QString::number(seeked)));
    QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.titles().join(u',')));
}

void Form1ListeningTest::tooltips()
{
    QTRY_VERIFY(!m_list->item(0)->toolTip().isEmpty()); // the tags are read
    const QString tags = m_list->item(0)->toolTip();
    play(0);
    const QRegularExpression position(QRegularExpression::escape(tags) + "\n0:0(\\d) / 0:30");
    QTRY_VERIFY2(position.match(toolTip(0)).hasMatch(), qPrintable(QToolTip::text())); // the length once heard
    const QString shown = position.match(QToolTip::text()).captured(1);
    QTRY_VERIFY(position.match(QToolTip::text()).captured(1) > shown); // it moves on while shown
    // A track that is no SPC is skipped without a message; its tooltip says why.
    play(3);
    QTRY_COMPARE(m_player->status(), Player::Status::Stopped);
    QVERIFY(!toolTip(3).isEmpty());
    QVERIFY2(m_messages.shown.isEmpty(), qPrintable(m_messages.titles().join(u',')));
}

void Form1ListeningTest::withoutSoundServer()
{
    if (qEnvironmentVariableIsSet("MARROWFEN_TEST_SINK"))
        QSKIP("runs where no sound server is (ctest ui.form1_listening_without_sound)");
    play(0);
    play(1); // playback is off after the one message
    QCOMPARE(m_messages.titles(), QStringList{"Marrowfen"});
    QCOMPARE(m_player->status(), Player::Status::Stopped);
    QCOMPARE(icons(), QStringLiteral("|||"));
}

QTEST_MAIN(Form1ListeningTest)
#include "tst_form1_listening.moc"
