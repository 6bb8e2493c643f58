// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The folder list: the chain of folders from the root down to the current
// folder, then the current folder's sub-folders, indented like a tree.
// Double-click or Enter on an entry asks for it to become current.
#pragma once

#include <QListWidget>
#include <QString>

class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);

    // The current folder, without a trailing separator except at the root.
    QString path() const { return m_path; }

    // Shows folder as the current folder. When it cannot be listed nothing
    // changes, false is returned and *error says why.
    bool setPath(const QString &folder, QString *error = nullptr);

    // The folder an entry stands for.
    static QString folderOf(const QListWidgetItem *item);

signals:
    // The user asked for folder to become the current folder.
    void folderChosen(const QString &folder);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void addEntry(const QString &folder, const QString &text, int depth, bool open);

    QString m_path;
};
