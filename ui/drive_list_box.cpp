#include "drive_list_box.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

#include <algorithm>

namespace {
constexpr int kRootRole = Qt::UserRole;

bool isUnder(const QString &path, const QString &root)
{
    if (root.endsWith(u'/'))
        return path.startsWith(root);
    return path == root || path.startsWith(root + u'/');
}

QString labelFor(const QStorageInfo &volume)
{
    const QString root = volume.rootPath();
    const QString name = volume.name();
    if (name.isEmpty() || name == root)
        return QDir::toNativeSeparators(root);
    return QStringLiteral("%1 [%2]").arg(QDir::toNativeSeparators(root), name);
}
} // namespace

bool isBrowsableVolume(const QByteArray &fileSystemType, const QString &rootPath)
{
    if (rootPath == QLatin1String("/"))
        return true;
    static const QByteArray pseudoTypes[] = {
        "proc",      "sysfs",     "tmpfs",     "devtmpfs",   "devpts",     "cgroup",  "cgroup2",
        "securityfs", "pstore",   "debugfs",   "tracefs",    "configfs",   "fusectl", "mqueue",
        "hugetlbfs", "bpf",       "autofs",    "binfmt_misc", "rpc_pipefs", "nsfs",    "efivarfs",
        "squashfs",  "overlay",   "ramfs",     "selinuxfs",  "fuse.portal", "fuse.gvfsd-fuse",
        "nfsd",      "cgroupfs",  "none",
    };
    if (std::find(std::begin(pseudoTypes), std::end(pseudoTypes), fileSystemType) != std::end(pseudoTypes))
        return false;
    // The system's own trees; removable media under /run/media stay.
    for (const char *system : {"/proc", "/sys", "/dev", "/snap", "/var/lib/docker", "/var/snap", "/boot/efi"}) {
        if (isUnder(rootPath, QLatin1String(system)))
            return false;
    }
    if (isUnder(rootPath, QStringLiteral("/run")) && !isUnder(rootPath, QStringLiteral("/run/media")))
        return false;
    return true;
}

DriveListBox::DriveListBox(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, &DriveListBox::onActivated);
    refreshVolumes();
}

void DriveListBox::refreshVolumes()
{
    const QSignalBlocker blocker(this);
    const QString shown = m_shownRoot;
    clear();
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        if (!isBrowsableVolume(volume.fileSystemType(), volume.rootPath()) || roots.contains(volume.rootPath()))
            continue;
        roots << volume.rootPath();
        addItem(labelFor(volume), volume.rootPath());
    }
    if (!roots.contains(QDir::rootPath()))
        insertItem(0, QDir::toNativeSeparators(QDir::rootPath()), QDir::rootPath());
    selectRoot(shown.isEmpty() ? volumeOf(QDir::currentPath()) : shown);
}

QString DriveListBox::drive() const
{
    return currentData(kRootRole).toString();
}

QString DriveListBox::folderOn(const QString &root) const
{
    return m_currentFolders.value(root, root);
}

void DriveListBox::followFolder(const QString &folder)
{
    const QString root = volumeOf(folder);
    m_currentFolders.insert(root, folder);
    selectRoot(root);
}

QString DriveListBox::volumeOf(const QString &path) const
{
    QString best = QDir::rootPath();
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i, kRootRole).toString();
        if (isUnder(path, root) && root.size() > best.size())
            best = root;
    }
    return best;
}

void DriveListBox::selectRoot(const QString &root)
{
    const QSignalBlocker blocker(this);
    const int index = findData(root, kRootRole);
    if (index >= 0)
        setCurrentIndex(index);
    m_shownRoot = drive();
}

void DriveListBox::showPopup()
{
    refreshVolumes();
    QComboBox::showPopup();
}

void DriveListBox::onActivated(int)
{
    if (drive() == m_shownRoot)
        return;
    emit driveChanged();
}
