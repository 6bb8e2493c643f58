// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Publishes a Player on the session bus as an MPRIS 2 media player
// (org.mpris.MediaPlayer2.marrowfen), so the desktop's media widget, the
// media keys and playerctl show and drive it. Without a session bus nothing
// is published and playback goes on.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class Player;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr auto kPath = "/org/mpris/MediaPlayer2";
    static constexpr auto kDesktopEntry = "io.github.marrowfen.Marrowfen";

    // identity: the program's name as MPRIS shows it ("Marrowfen").
    MprisService(Player *player, const QString &identity, QObject *parent = nullptr);
    ~MprisService() override;

    // False when there is no session bus (or the name could not be had).
    bool isPublished() const { return m_published; }
    // The bus name held: ".instance<pid>" is added when another program has the plain one.
    QString serviceName() const { return m_serviceName; }

    Player *player() const { return m_player; }
    QString identity() const { return m_identity; }

    // Whether the desktop may ask to bring the program to the front, or to
    // end it (raiseRequested, quitRequested); neither until set.
    void setCanRaise(bool canRaise);
    void setCanQuit(bool canQuit);
    bool canRaise() const { return m_canRaise; }
    bool canQuit() const { return m_canQuit; }

    // The object path MPRIS names the heard queue entry by: unique per entry
    // of each queue; MPRIS's NoTrack when none is heard.
    QString currentTrackId() const;

signals:
    void raiseRequested();
    void quitRequested();

private:
    void publishChanges();

    Player *m_player;
    QString m_identity;
    QString m_serviceName;
    bool m_published = false;
    bool m_canRaise = false;
    bool m_canQuit = false;
    quint64 m_queueSerial = 0;
    QObject *m_root = nullptr; // the adaptors, owned as children
    QObject *m_playerInterface = nullptr;
    QVariantMap m_publishedRoot; // what the bus was last told
    QVariantMap m_publishedPlayer;
};
