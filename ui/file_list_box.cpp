// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "file_list_box.h"

#include "playlist_folder.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>

FileListBox::FileListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FileListBox::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    if (!m_path.isEmpty())
        refill();
}

void FileListBox::setPath(const QString &folder)
{
    m_path = QDir::cleanPath(QDir(folder).absolutePath());
    refill();
}

QStringList FileListBox::selectedFileNames() const
{
    QStringList names;
    for (int row = 0; row < count(); ++row) {
        if (item(row)->isSelected())
            names << item(row)->text();
    }
    return names;
}

void FileListBox::refill()
{
    const QStringList names = FolderFileNames(m_path, m_pattern);
    clear();
    addItems(names);
}

void FileListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() && currentItem())
        emit fileClicked();
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    const QPersistentModelIndex before = currentIndex();
    QListWidget::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex() != before)
        emit fileClicked();
}
