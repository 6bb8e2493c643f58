// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "preview_playback.h"

#include "entry_list.h"
#include "message_boxes.h"
#include "mpris_service.h"
#include "paths.h"
#include "player.h"
#include "track_tooltips.h"
#include "user_interaction.h"

#include <QCursor>
#include <QDir>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QStyle>
#include <QToolTip>

#include <utility>

namespace {
// Where an item keeps its track's path inside the archive.
constexpr int kMemberPathRole = Qt::UserRole;
constexpr qint64 kSeekStepMs = 5000;
constexpr int kClockMs = 1000;
} // namespace

PreviewPlayback::PreviewPlayback(QListWidget *list, const UnrarFunctions *library, MessageBoxes *messages,
                                 QObject *parent)
    : QObject(parent)
    , m_list(list)
    , m_messages(messages)
    , m_player(std::make_unique<Player>(library, this))
    , m_mpris(std::make_unique<MprisService>(m_player.get(), QString::fromUtf16(ApplicationTitle), this))
{
    // An icon no taller than the text leaves the playing row as high as the others.
    const int side = m_list->fontMetrics().height();
    m_list->setIconSize(QSize(side, side));
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    connect(m_list, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { playFrom(m_list->row(item)); });
    connect(m_player.get(), &Player::statusChanged, this, &PreviewPlayback::statusChanged);
    connect(m_player.get(), &Player::currentChanged, this, [this](int index) {
        m_skipped.remove(index); // heard after all
        statusChanged();
    });
    connect(m_player.get(), &Player::seeked, this, &PreviewPlayback::refreshToolTip);
    connect(m_player.get(), &Player::trackFailed, this, [this](int index, const QString &message) {
        m_skipped.insert(index, message);
        refreshToolTip();
    });
    connect(m_player.get(), &Player::outputFailed, this, &PreviewPlayback::outputFailed);
    // The desktop's media controls may bring the window up, or close it.
    QWidget *window = m_list->window();
    m_mpris->setCanRaise(true);
    m_mpris->setCanQuit(true);
    connect(m_mpris.get(), &MprisService::raiseRequested, window, [window] {
        window->showNormal();
        window->raise();
        window->activateWindow();
    });
    connect(m_mpris.get(), &MprisService::quitRequested, window, &QWidget::close);
    m_clock.setInterval(kClockMs);
    connect(&m_clock, &QTimer::timeout, this, &PreviewPlayback::refreshToolTip);
}

PreviewPlayback::~PreviewPlayback() = default;

void PreviewPlayback::shown(const QString &archivePath, const QString &entries)
{
    m_archivePath = QDir::fromNativeSeparators(archivePath);
    m_tipRow = -1;
    // The playlist path is the archive's name, "\" and the member's path.
    const QString prefix = FileNameOf(archivePath) + u'\\';
    const std::vector<SortedEntry> sorted = SortedEntries(entries);
    if (sorted.size() == std::size_t(m_list->count())) {
        for (int row = 0; row < m_list->count(); ++row) {
            const SortedEntry &entry = sorted[std::size_t(row)];
            QListWidgetItem *item = m_list->item(row);
            if (item->text() == entry.name && entry.path.startsWith(prefix))
                item->setData(kMemberPathRole, entry.path.sliced(prefix.size()));
        }
    }
    statusChanged();
}

void PreviewPlayback::stop()
{
    m_player->stop();
}

bool PreviewPlayback::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress)
        return keyPressed(static_cast<QKeyEvent *>(event));
    if (watched == m_list->viewport() && event->type() == QEvent::ToolTip)
        return toolTipAsked(static_cast<QHelpEvent *>(event));
    return QObject::eventFilter(watched, event);
}

// True when the key was playback's; other keys (and these, when there is
// nothing for them to do) keep their list behaviour.
bool PreviewPlayback::keyPressed(const QKeyEvent *key)
{
    if (m_outputFailed || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const bool listening = m_player->status() != Player::Status::Stopped;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!m_list->currentItem())
            return false;
        if (!key->isAutoRepeat()) // a key held down starts the track once
            playFrom(m_list->currentRow());
        return true;
    case Qt::Key_Space:
        if (m_player->queue().isEmpty())
            return false;
        if (!key->isAutoRepeat())
            m_player->playPause();
        return true;
    case Qt::Key_Escape:
        m_player->stop();
        return listening;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!listening)
            return false;
        m_player->seekBy(key->key() == Qt::Key_Left ? -kSeekStepMs : kSeekStepMs);
        return true;
    default:
        return false;
    }
}

void PreviewPlayback::playFrom(int row)
{
    if (m_outputFailed)
        return;
    QList<TrackRef> tracks;
    int start = -1;
    for (int r = 0; r < m_list->count(); ++r) {
        const TrackRef track = trackAt(r);
        if (track.memberPath.isEmpty())
            continue;
        if (r == row)
            start = int(tracks.size());
        tracks.append(track);
    }
    if (start < 0)
        return;
    if (tracks != m_player->queue()) {
        m_skipped.clear();
        m_player->setQueue(tracks);
    }
    m_player->playAt(start);
}

TrackRef PreviewPlayback::trackAt(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    const QString memberPath = item->data(kMemberPathRole).toString();
    if (memberPath.isEmpty())
        return {};
    return {m_archivePath, memberPath, item->text()};
}

// The row of the track being heard, when the list shows its archive.
int PreviewPlayback::playingRow() const
{
    const int index = m_player->currentIndex();
    if (m_player->status() == Player::Status::Stopped || index < 0 || index >= m_player->queue().size())
        return -1;
    const TrackRef &playing = m_player->queue()[index];
    for (int row = 0; row < m_list->count(); ++row) {
        if (trackAt(row) == playing)
            return row;
    }
    return -1;
}

// The tags' text, then where the track is or why it was skipped.
QString PreviewPlayback::toolTipAt(int row) const
{
    QString line;
    if (row == playingRow()) {
        const qint64 length = m_player->lengthMs();
        line = TrackTooltips::duration(m_player->positionMs() / 1000);
        if (length >= 0)
            line += QStringLiteral(" / ") + TrackTooltips::duration(length / 1000);
    } else if (const qsizetype index = m_player->queue().indexOf(trackAt(row)); index >= 0) {
        line = m_skipped.value(int(index));
    }
    const QString tags = m_list->item(row)->toolTip();
    if (line.isEmpty() || tags.isEmpty())
        return tags + line;
    return tags + u'\n' + line;
}

// Shown here rather than by the list, so that a tooltip that is up follows
// the music, even onto an item that starts playing under it.
bool PreviewPlayback::toolTipAsked(QHelpEvent *help)
{
    const QListWidgetItem *item = m_list->itemAt(help->pos());
    if (!item)
        return false;
    m_tipRow = m_list->row(item);
    m_tipPos = help->globalPos();
    m_tipText = toolTipAt(m_tipRow);
    QToolTip::showText(m_tipPos, m_tipText, m_list->viewport(), m_list->visualItemRect(item)); // "" hides it
    help->setAccepted(!m_tipText.isEmpty());
    return true;
}

// Puts the current time into the tooltip being shown, if it is still ours
// and the mouse still on its item (showing it again would keep it up).
void PreviewPlayback::refreshToolTip()
{
    if (m_tipRow < 0 || m_tipRow >= m_list->count() || !QToolTip::isVisible() || QToolTip::text() != m_tipText)
        return;
    const QRect item = m_list->visualItemRect(m_list->item(m_tipRow));
    if (!item.contains(m_list->viewport()->mapFromGlobal(QCursor::pos())))
        return;
    m_tipText = toolTipAt(m_tipRow);
    QToolTip::showText(m_tipPos, m_tipText, m_list->viewport(), item);
}

void PreviewPlayback::statusChanged()
{
    const int playing = playingRow();
    const QIcon icon = m_list->style()->standardIcon(
        m_player->status() == Player::Status::Paused ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay);
    for (int row = 0; row < m_list->count(); ++row)
        m_list->item(row)->setIcon(row == playing ? icon : QIcon());
    if (m_player->status() == Player::Status::Stopped)
        m_clock.stop();
    else if (!m_clock.isActive())
        m_clock.start();
    refreshToolTip();
}

void PreviewPlayback::outputFailed(const QString &message)
{
    if (std::exchange(m_outputFailed, true))
        return;
    m_player->stop();
    m_messages->show(message, QString::fromUtf16(ApplicationTitle), MsgExclamation);
}
