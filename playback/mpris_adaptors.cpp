// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "mpris_adaptors.h"

#include "mpris_service.h"
#include "player.h"

#include <QDBusConnection>
#include <QDBusError>

#include <algorithm>

namespace {

constexpr qint64 kUsPerMs = 1000;

} // namespace

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{
}

bool MprisRootAdaptor::canQuit() const
{
    return m_service->canQuit();
}

bool MprisRootAdaptor::canRaise() const
{
    return m_service->canRaise();
}

QString MprisRootAdaptor::identity() const
{
    return m_service->identity();
}

QString MprisRootAdaptor::desktopEntry() const
{
    return QString::fromLatin1(MprisService::kDesktopEntry);
}

void MprisRootAdaptor::Raise()
{
    if (m_service->canRaise())
        emit m_service->raiseRequested();
}

void MprisRootAdaptor::Quit()
{
    if (m_service->canQuit())
        emit m_service->quitRequested();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
{
}

Player *MprisPlayerAdaptor::player() const
{
    return m_service->player();
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    switch (player()->status()) {
    case Player::Status::Playing:
        return QStringLiteral("Playing");
    case Player::Status::Paused:
        return QStringLiteral("Paused");
    case Player::Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QString MprisPlayerAdaptor::loopStatus() const
{
    return player()->repeat() ? QStringLiteral("Playlist") : QStringLiteral("None");
}

void MprisPlayerAdaptor::setLoopStatus(const QString &status)
{
    // Repeating one track is not offered: "Track" changes nothing.
    if (status == QLatin1String("None"))
        player()->setRepeat(false);
    else if (status == QLatin1String("Playlist"))
        player()->setRepeat(true);
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    const int index = player()->currentIndex();
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(m_service->currentTrackId()))}};
    if (index < 0 || index >= player()->queue().size())
        return map;
    const SpcTags tags = player()->currentTags();
    map.insert(QStringLiteral("xesam:title"),
               tags.title.isEmpty() ? player()->queue().at(index).displayName : tags.title);
    if (!tags.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{tags.artist});
    if (!tags.game.isEmpty())
        map.insert(QStringLiteral("xesam:album"), tags.game);
    if (player()->lengthMs() >= 0)
        map.insert(QStringLiteral("mpris:length"), qlonglong(player()->lengthMs() * kUsPerMs));
    return map;
}

double MprisPlayerAdaptor::volume() const
{
    return player()->volume();
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    player()->setVolume(volume);
}

qlonglong MprisPlayerAdaptor::position() const
{
    return player()->positionMs() * kUsPerMs;
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return player()->hasNext();
}

bool MprisPlayerAdaptor::canGoPrevious() const
{
    return player()->currentIndex() >= 0; // at the first track, to its start
}

bool MprisPlayerAdaptor::canPlay() const
{
    return !player()->queue().isEmpty();
}

bool MprisPlayerAdaptor::canPause() const
{
    return !player()->queue().isEmpty();
}

bool MprisPlayerAdaptor::canSeek() const
{
    return player()->status() != Player::Status::Stopped && player()->lengthMs() != 0;
}

void MprisPlayerAdaptor::Next()
{
    player()->next();
}

void MprisPlayerAdaptor::Previous()
{
    player()->previous();
}

void MprisPlayerAdaptor::Pause()
{
    player()->pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    player()->playPause();
}

void MprisPlayerAdaptor::Stop()
{
    player()->stop();
}

void MprisPlayerAdaptor::Play()
{
    player()->play();
}

void MprisPlayerAdaptor::Seek(qlonglong offset)
{
    if (!canSeek())
        return;
    const qint64 target = player()->positionMs() + offset / kUsPerMs;
    // Past the end is the next track, as MPRIS wants.
    if (player()->lengthMs() >= 0 && target >= player()->lengthMs())
        player()->next();
    else
        player()->setPosition(std::max<qint64>(target, 0));
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &trackId, qlonglong position)
{
    // A stale id (the track moved on meanwhile) or a place outside the track is ignored.
    if (!canSeek() || trackId.path() != m_service->currentTrackId() || position < 0)
        return;
    if (player()->lengthMs() >= 0 && position > player()->lengthMs() * kUsPerMs)
        return;
    player()->setPosition(position / kUsPerMs);
}

void MprisPlayerAdaptor::OpenUri(const QString &uri, const QDBusMessage &call)
{
    Q_UNUSED(uri)
    call.setDelayedReply(true); // the error below is the reply
    QDBusConnection::sessionBus().send(call.createErrorReply(
        QDBusError::NotSupported, QStringLiteral("Marrowfen plays its own queue and opens no URIs")));
}
