// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The file list's "Export to FLAC…": the selected archives exported as
// albums into a folder the user chooses, off the window's thread, with a
// progress dialog that can cancel and a summary at the end. The work is
// marrowfen-export's (export/), with its defaults.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class FileListBox;
class MessageBoxes;
class QAction;
class QProgressDialog;
class QWidget;
struct ExportCounts;
struct ExportProgress;

// Owned by the window, and destroyed before the window's archive library.
class ExportAction : public QObject {
    Q_OBJECT
public:
    // Adds the action to list's context menu; the summary goes to messages.
    ExportAction(FileListBox *list, MessageBoxes *messages, QWidget *window);
    // Cancels a running export and waits for it: its workers use the
    // archive library, which must outlive them.
    ~ExportAction() override;

    QAction *action() const { return m_action; }
    bool isRunning() const;
    // Exports the selected archives into folder, as after the folder chooser.
    void exportTo(const QString &folder);

signals:
    void finished(); // the summary has been shown

private:
    void choose();
    void showProgress(const ExportProgress &progress);
    void finish(const ExportCounts &counts, const QStringList &problems, const QString &folder);

    FileListBox *m_list;
    MessageBoxes *m_messages;
    QWidget *m_window;
    QAction *m_action;
    QProgressDialog *m_dialog = nullptr;
    QString m_lastFolder;
    struct Work;
    std::unique_ptr<Work> m_work;
};
