// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The file list: the names in one folder that match a pattern, sorted
// case-insensitively, with extended multi-selection. Like the classic
// toolkit's list, its click also fires when the keyboard moves the current
// item, so keyboard users get the same reaction as mouse users.
#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    QString pattern() const { return m_pattern; }
    void setPattern(const QString &pattern);

    // The folder shown, without a trailing separator except at the root.
    QString path() const { return m_path; }
    void setPath(const QString &folder);

    // The selected names, in list order.
    QStringList selectedFileNames() const;

signals:
    // A click on an item, or a key that moved the current item.
    void fileClicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refill();

    QString m_pattern = QStringLiteral("*");
    QString m_path;
};
