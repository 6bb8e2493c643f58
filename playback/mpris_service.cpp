// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "mpris_service.h"

#include "mpris_adaptors.h"
#include "player.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QMetaProperty>

namespace {

const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.marrowfen");

// Every property an adaptor has, by its D-Bus name; Position is left out:
// MPRIS has it read when wanted, never announced.
QVariantMap PropertiesOf(const QObject *adaptor)
{
    QVariantMap properties;
    const QMetaObject *meta = adaptor->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (qstrcmp(property.name(), "Position") != 0)
            properties.insert(QString::fromLatin1(property.name()), property.read(adaptor));
    }
    return properties;
}

// Tells the bus which of an interface's properties changed since last told.
void AnnounceChanges(const QObject *adaptor, QVariantMap &published)
{
    const QVariantMap now = PropertiesOf(adaptor);
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (published.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    published = now;
    if (changed.isEmpty())
        return;
    const char *interface =
        adaptor->metaObject()->classInfo(adaptor->metaObject()->indexOfClassInfo("D-Bus Interface")).value();
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(MprisService::kPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(interface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace

MprisService::MprisService(Player *player, const QString &identity, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_identity(identity)
{
    auto *root = new MprisRootAdaptor(this);
    auto *playerInterface = new MprisPlayerAdaptor(this);
    m_root = root;
    m_playerInterface = playerInterface;

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportAdaptors))
        return;
    // A second Marrowfen program (the window beside the terminal player)
    // takes a name of its own, as MPRIS allows.
    for (const QString &name :
         {kServiceName, kServiceName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
        if (bus.registerService(name)) {
            m_serviceName = name;
            break;
        }
    }
    if (m_serviceName.isEmpty()) {
        bus.unregisterObject(QString::fromLatin1(kPath));
        return;
    }
    m_published = true;
    m_publishedRoot = PropertiesOf(m_root);
    m_publishedPlayer = PropertiesOf(m_playerInterface);

    connect(player, &Player::queueChanged, this, [this] {
        ++m_queueSerial;
        publishChanges();
    });
    connect(player, &Player::statusChanged, this, &MprisService::publishChanges);
    connect(player, &Player::currentChanged, this, &MprisService::publishChanges);
    connect(player, &Player::volumeChanged, this, &MprisService::publishChanges);
    connect(player, &Player::repeatChanged, this, &MprisService::publishChanges);
    connect(player, &Player::seeked, playerInterface,
            [playerInterface](qint64 positionMs) { emit playerInterface->Seeked(positionMs * 1000); });
}

MprisService::~MprisService()
{
    if (!m_published)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(m_serviceName);
    bus.unregisterObject(QString::fromLatin1(kPath));
}

void MprisService::setCanRaise(bool canRaise)
{
    m_canRaise = canRaise;
    publishChanges();
}

void MprisService::setCanQuit(bool canQuit)
{
    m_canQuit = canQuit;
    publishChanges();
}

QString MprisService::currentTrackId() const
{
    if (m_player->currentIndex() < 0)
        return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    return QStringLiteral("/io/github/marrowfen/Marrowfen/Queue%1/Track%2")
        .arg(m_queueSerial)
        .arg(m_player->currentIndex());
}

void MprisService::publishChanges()
{
    if (!m_published)
        return;
    AnnounceChanges(m_root, m_publishedRoot);
    AnnounceChanges(m_playerInterface, m_publishedPlayer);
}
