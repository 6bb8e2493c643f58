// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The program's only window: browse to a folder of RSN archives, preview the
// playable files of one, and write one playlist from several.
#pragma once

#include "unrar_library.h"

#include <QString>
#include <QWidget>

#include <memory>

class DirListBox;
class DriveListBox;
class ExportAction;
class FileListBox;
class MessageBoxes;
class PreviewPlayback;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;
class TrackTooltips;

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Messages go to messages, or to real message boxes when it is null.
    explicit Form1(MessageBoxes *messages = nullptr, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up check: the archive library must lie in programFolder. On
    // failure the reason has been shown and the program should end.
    bool Form_Load(const QString &programFolder);
    bool Form_Load();

    // The text of the message shown when the library file is missing.
    static QString libraryMissingPrompt();

public slots:
    void drvRSNNames_Change();
    void dirRSNNames_Change();
    void filRSNNames_Click();
    void cmdAddFiles_Click();
    void txtPlaylistName_LostFocus();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createControls();
    void chooseFolder(const QString &folder);
    void runPendingWork();
    void preview();
    void build();
    // Asks before a non-empty file of that name is replaced; false on No.
    bool mayWriteTo(const QString &folder, const QString &playlistName);
    void setBrowsingEnabled(bool enabled);
    QString droppedFolder(const QMimeData *data) const;

    std::unique_ptr<MessageBoxes> m_ownMessages;
    MessageBoxes *m_messages;
    UnrarLibrary m_library;
    // After m_library: their reads end before the library goes.
    std::unique_ptr<TrackTooltips> m_tooltips;
    std::unique_ptr<PreviewPlayback> m_playback;
    std::unique_ptr<ExportAction> m_export; // also ends before the library goes

    QString AppFolder;
    QString PlaylistEntries;

    // Previews and builds share the engine's entry list and yield to the
    // window while they run; only one runs at a time. A preview asked for
    // meanwhile runs (for the file list's current item) once the running
    // work ends; a build pressed during a preview runs after it, a build
    // pressed during a build is ignored. Closing waits for the running work.
    enum class Work { None, Preview, Build };
    Work m_running = Work::None;
    bool m_previewPending = false;
    bool m_buildPending = false;
    bool m_closePending = false;

    DriveListBox *drvRSNNames = nullptr;
    DirListBox *dirRSNNames = nullptr;
    FileListBox *filRSNNames = nullptr;
    QLabel *lblCurrentFile = nullptr;
    QListWidget *lstFiles = nullptr;
    QLabel *lblSelectHelp = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtPlaylistName = nullptr;
    QPushButton *cmdAddFiles = nullptr;
};
