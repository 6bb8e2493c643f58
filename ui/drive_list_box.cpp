// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "drive_list_box.h"

#include "paths.h"

#include <QDir>
#include <QSignalBlocker>
#include <QStorageInfo>

namespace {
constexpr int kRootRole = Qt::UserRole;

QString labelFor(const QStorageInfo &volume)
{
    const QString root = volume.rootPath();
    const QString name = volume.name();
    if (name.isEmpty() || name == root)
        return QDir::toNativeSeparators(root);
    return QStringLiteral("%1 [%2]").arg(QDir::toNativeSeparators(root), name);
}
} // namespace

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
        if (!IsBrowsableVolume(volume.fileSystemType(), volume.rootPath()) || roots.contains(volume.rootPath()))
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
        if (IsPathUnder(path, root) && root.size() > best.size())
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
