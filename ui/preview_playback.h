// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listening from the preview list: Enter or a double-click on a track plays
// the previewed archive from that track on; while the list has the focus,
// Space pauses and resumes, Esc stops and Left/Right seek. The playing item
// carries a play (or pause) icon and its tooltip tells where it is; a track
// that was skipped says why in its tooltip. The music outlives previews:
// previewing another archive changes only what the list shows.
#pragma once

#include "track_list.h"
#include "unrar_library.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <memory>

class MessageBoxes;
class MprisService;
class Player;
class QHelpEvent;
class QKeyEvent;
class QListWidget;

class PreviewPlayback : public QObject {
    Q_OBJECT
public:
    // library unpacks the tracks (it may be loaded later, before the first
    // preview); messages shows the one message about a missing output.
    PreviewPlayback(QListWidget *list, const UnrarFunctions *library, MessageBoxes *messages,
                    QObject *parent = nullptr);
    // Stops the music: the player's thread and output end before it returns.
    ~PreviewPlayback() override;

    // The list has just been filled with archivePath's tracks from entries
    // (the entry list they were previewed from, in any order).
    void shown(const QString &archivePath, const QString &entries);
    void stop();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool keyPressed(const QKeyEvent *key);
    bool toolTipAsked(QHelpEvent *help);
    void playFrom(int row);
    TrackRef trackAt(int row) const;
    int playingRow() const;
    QString toolTipAt(int row) const;
    void statusChanged();
    void refreshToolTip();
    void outputFailed(const QString &message);

    QListWidget *m_list;
    MessageBoxes *m_messages;
    std::unique_ptr<Player> m_player;
    std::unique_ptr<MprisService> m_mpris; // after m_player: it goes first
    QString m_archivePath;                 // whose tracks the list shows
    QHash<int, QString> m_skipped;         // why, by place in the player's queue
    QTimer m_clock;                        // moves a shown position on
    QString m_tipText;                     // the tooltip last shown, and where
    QPoint m_tipPos;
    int m_tipRow = -1;
    bool m_outputFailed = false; // playback is off once there is no output
};
