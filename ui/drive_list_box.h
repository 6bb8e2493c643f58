// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The drive list: the file-system root and the mounted volumes a person
// would browse. Remembers the folder last shown on each volume, so choosing
// a volume again returns there.
#pragma once

#include <QComboBox>
#include <QHash>
#include <QString>

class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);

    // Re-reads the mounted volumes, keeping the chosen one.
    void refreshVolumes();

    // The root of the chosen volume.
    QString drive() const;
    // The folder last shown on the volume at root, or root itself.
    QString folderOn(const QString &root) const;
    // Chooses the volume holding folder, without raising driveChanged, and
    // remembers folder as its current folder.
    void followFolder(const QString &folder);

    // The root of the listed volume that holds path ("/" at worst).
    QString volumeOf(const QString &path) const;

signals:
    // The user chose another volume.
    void driveChanged();

protected:
    // Volumes mounted since the last look (a USB stick) show up when the
    // list opens.
    void showPopup() override;

private:
    void selectRoot(const QString &root);
    void onActivated(int index);

    QHash<QString, QString> m_currentFolders; // volume root -> folder
    QString m_shownRoot;
};
