// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Publishes a Player on the session bus as an MPRIS 2 media player
// (org.mpris.MediaPlayer2.marrowfen), so the desktop's media widget, the
// media keys and playerctl show and drive it. Without a session bus nothing
// is published and playback goes on.
#pragma once

#include <QObject>
#include <QString>

class Player;

class MprisService : public QObject {
    Q_OBJECT
public:
    // identity: the program's name as MPRIS shows it ("Marrowfen").
    MprisService(Player *player, const QString &identity, QObject *parent = nullptr);
    ~MprisService() override;

    // False when there is no session bus (or the name could not be had).
    bool isPublished() const { return m_published; }

private:
    bool m_published = false;
};
