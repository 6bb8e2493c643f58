// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "form1.h"

#include "dir_list_box.h"
#include "drive_list_box.h"
#include "entry_list.h"
#include "export_action.h"
#include "extraction.h"
#include "file_list_box.h"
#include "message_boxes.h"
#include "paths.h"
#include "playlist_build.h"
#include "playlist_file.h"
#include "playlist_folder.h"
#include "preview_playback.h"
#include "track_tooltips.h"
#include "twips.h"
#include "user_interaction.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStorageInfo>

#include <utility>

namespace {
template<typename Control>
Control *place(QWidget *parent, const char *name, QRect geometry)
{
    auto *control = new Control(parent);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

QLabel *placeLabel(QWidget *parent, const char *name, QRect geometry, const QString &caption)
{
    auto *label = place<QLabel>(parent, name, geometry);
    label->setText(caption);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The label's fixed box was drawn for the classic dialog font; where the
// caption does not fit the font in use, the label's font shrinks until it does.
void fitCaption(QLabel *label)
{
    constexpr qreal kSmallestPointSize = 6.0;
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    QFont font = label->font();
    auto fits = [&] {
        const QRect needed = QFontMetrics(font).boundingRect(QRect(QPoint(), label->size()), flags, label->text());
        return needed.width() <= label->width() && needed.height() <= label->height();
    };
    while (!fits() && font.pointSizeF() - 0.5 >= kSmallestPointSize)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    label->setFont(font);
}

// Marks the work running and clears the mark however it ends.
template<typename Work>
class RunningWork {
public:
    RunningWork(Work &slot, Work work)
        : m_slot(slot)
    {
        m_slot = work;
    }
    ~RunningWork() { m_slot = Work::None; }
    RunningWork(const RunningWork &) = delete;
    RunningWork &operator=(const RunningWork &) = delete;

private:
    Work &m_slot;
};

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
} // namespace

Form1::Form1(MessageBoxes *messages, QWidget *parent)
    : QWidget(parent)
    , m_messages(messages)
{
    if (!m_messages) {
        m_ownMessages = std::make_unique<DialogMessageBoxes>(this);
        m_messages = m_ownMessages.get();
    }
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf16(ApplicationTitle));
    resize(pixelsFromTwips(5940), pixelsFromTwips(4815));
    // The fixed layout was drawn for a compact 8-point dialog font.
    QFont compact = font();
    compact.setPointSize(8);
    setFont(compact);
    createControls();
    m_tooltips = std::make_unique<TrackTooltips>(lstFiles);
    // Also the window's child, so that tests find its player.
    m_playback = std::make_unique<PreviewPlayback>(lstFiles, &m_library.functions(), m_messages, this);
    m_export = std::make_unique<ExportAction>(filRSNNames, m_messages, this);
    setAcceptDrops(true);

    setYieldHandler([] { QCoreApplication::processEvents(); });
    setMessageHandler([this](const QString &prompt, const QString &title, int style) {
        return m_messages->show(prompt, title, style);
    });

    // Start on the process's current folder (or the nearest that can be read).
    for (const QString &start : {QDir::currentPath(), QDir::homePath(), QDir::rootPath()}) {
        if (dirRSNNames->setPath(start))
            break;
    }
    drvRSNNames->followFolder(dirRSNNames->path());
}

Form1::~Form1()
{
    if (archiveLibrary() == &m_library.functions())
        setArchiveLibrary(nullptr);
    setYieldHandler({});
    setMessageHandler({});
}

void Form1::createControls()
{
    drvRSNNames = place<DriveListBox>(this, "drvRSNNames", rectFromTwips(120, 0, 3615, 315));
    dirRSNNames = place<DirListBox>(this, "dirRSNNames", rectFromTwips(120, 360, 3615, 1890));
    filRSNNames = place<FileListBox>(this, "filRSNNames", rectFromTwips(120, 2280, 3615, 1455));
    filRSNNames->setPattern(QString::fromUtf16(ArchivePattern));
    lblCurrentFile = placeLabel(this, "lblCurrentFile", rectFromTwips(3840, 120, 1935, 255), QStringLiteral("File:"));
    lblCurrentFile->setWordWrap(false);
    lstFiles = place<QListWidget>(this, "lstFiles", rectFromTwips(3840, 360, 2055, 3375));
    lblSelectHelp = placeLabel(this, "lblSelectHelp", rectFromTwips(240, 3840, 1095, 615),
                               QStringLiteral("Hover For Multi-Selection Help"));
    lblSelectHelp->setToolTip(QStringLiteral("Hold 'Ctrl' and click to select/unselect individual files. Hold "
                                             "down the click button and drag to select many files at once"));
    Label1 = placeLabel(this, "Label1", rectFromTwips(1440, 3840, 1095, 255), QStringLiteral("Playlist Name:"));
    Label1->setWordWrap(false);
    fitCaption(lblSelectHelp);
    fitCaption(Label1);
    txtPlaylistName = place<QLineEdit>(this, "txtPlaylistName", rectFromTwips(2520, 3840, 1815, 285));
    txtPlaylistName->setText(QString::fromUtf16(DefaultPlaylistName));
    txtPlaylistName->installEventFilter(this);
    cmdAddFiles = place<QPushButton>(this, "cmdAddFiles", rectFromTwips(2040, 4320, 1815, 375));
    cmdAddFiles->setText(QStringLiteral("Add File Contents"));
    cmdAddFiles->setAutoDefault(false);
    // A click must take the focus on every platform, so the name box's rule
    // runs before the build reads the name.
    cmdAddFiles->setFocusPolicy(Qt::StrongFocus);

    setTabOrder(dirRSNNames, drvRSNNames);
    setTabOrder(drvRSNNames, filRSNNames);
    setTabOrder(filRSNNames, lstFiles);
    setTabOrder(lstFiles, cmdAddFiles);
    setTabOrder(cmdAddFiles, txtPlaylistName);
    dirRSNNames->setFocus();

    connect(drvRSNNames, &DriveListBox::driveChanged, this, &Form1::drvRSNNames_Change);
    connect(dirRSNNames, &DirListBox::folderChosen, this, &Form1::chooseFolder);
    connect(filRSNNames, &FileListBox::fileClicked, this, &Form1::filRSNNames_Click);
    connect(cmdAddFiles, &QPushButton::clicked, this, &Form1::cmdAddFiles_Click);
}

QString Form1::libraryMissingPrompt()
{
    return UnrarLibrary::missingPrompt();
}

bool Form1::Form_Load()
{
    return Form_Load(QCoreApplication::applicationDirPath());
}

bool Form1::Form_Load(const QString &programFolder)
{
    AppFolder = programFolder;
    const QString libraryPath = JoinPath(AppFolder, UnrarLibrary::fileName());
    if (!QFileInfo(libraryPath).isFile()) {
        ShowMessage(libraryMissingPrompt(), MsgOkOnly);
        return false;
    }
    if (!m_library.load(libraryPath)) {
        ShowMessage(m_library.loadFailurePrompt(libraryPath), MsgCritical);
        return false;
    }
    setArchiveLibrary(&m_library.functions());
    dirRSNNames_Change();
    return true;
}

void Form1::drvRSNNames_Change()
{
    const QString drive = drvRSNNames->drive();
    QStorageInfo volume(drive);
    if (!volume.isValid() || !volume.isReady()) {
        drvRSNNames->followFolder(dirRSNNames->path());
        ShowMessage(QStringLiteral("The drive \"%1\" is not ready.").arg(QDir::toNativeSeparators(drive)),
                    MsgExclamation);
        return;
    }
    // The folder last shown on the volume may have gone since: then its root.
    const QString remembered = drvRSNNames->folderOn(drive);
    chooseFolder(QFileInfo(remembered).isDir() ? remembered : drive);
}

void Form1::chooseFolder(const QString &folder)
{
    QString error;
    if (!dirRSNNames->setPath(folder, &error)) {
        // Stay where we were: the drive list follows the folder still shown.
        drvRSNNames->followFolder(dirRSNNames->path());
        ShowMessage(error, MsgExclamation);
        return;
    }
    dirRSNNames_Change();
}

void Form1::dirRSNNames_Change()
{
    filRSNNames->setPath(dirRSNNames->path());
    drvRSNNames->followFolder(dirRSNNames->path());
}

void Form1::filRSNNames_Click()
{
    if (m_closePending)
        return;
    m_previewPending = true;
    runPendingWork();
}

void Form1::cmdAddFiles_Click()
{
    if (m_running == Work::Build || m_closePending)
        return;
    m_buildPending = true;
    runPendingWork();
}

void Form1::runPendingWork()
{
    if (m_running != Work::None)
        return; // the running work picks it up when it ends
    while (m_previewPending || m_buildPending) {
        if (std::exchange(m_previewPending, false)) {
            RunningWork running(m_running, Work::Preview);
            preview();
        } else if (std::exchange(m_buildPending, false)) {
            RunningWork running(m_running, Work::Build);
            build();
        }
    }
    if (std::exchange(m_closePending, false))
        close();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing while work yields would leave it running behind a window that
    // is gone; the window closes once the work has ended instead.
    if (m_running != Work::None) {
        m_previewPending = false;
        m_buildPending = false;
        m_closePending = true;
        event->ignore();
        return;
    }
    m_playback->stop();
    QWidget::closeEvent(event);
}

void Form1::preview()
{
    const QListWidgetItem *item = filRSNNames->currentItem();
    if (!item)
        return;
    const QString fileName = item->text();
    const QString archivePath = JoinPath(filRSNNames->path(), fileName);
    m_tooltips->drop();
    lblCurrentFile->setText(QStringLiteral("File: ") + fileName);
    ProcessArchive(QStringLiteral("ObtainList"), archivePath, QString());
    const QString names = SortEntries(ArchiveEntries, false);

    lstFiles->clear();
    if (!names.isEmpty())
        lstFiles->addItems(names.split(u'*'));
    m_playback->shown(archivePath, ArchiveEntries);
    if (lstFiles->count() > 0 && m_library.isLoaded())
        m_tooltips->read(m_library.functions(), archivePath);
    if (lstFiles->count() == 0) {
        ShowMessage(QStringLiteral("No playable files were found in this archive. It may be a RAR of a RAR, or may "
                                   "contain no SPC files."),
                    MsgOkOnly, QStringLiteral("No Playable Files"));
    }
}

bool Form1::mayWriteTo(const QString &folder, const QString &playlistName)
{
    if (!WouldReplacePlaylist(folder, playlistName))
        return true;
    return ShowMessage(QStringLiteral("The selected Playlist Name already exists. Overwrite it?"), MsgYesNo,
                       QStringLiteral("Overwrite Existing File?"))
        == AnswerYes;
}

void Form1::build()
{
    const QStringList archives = filRSNNames->selectedFileNames();
    if (archives.isEmpty())
        return;

    const QString folder = filRSNNames->path();
    const QString confirmedName = txtPlaylistName->text();
    if (!mayWriteTo(folder, confirmedName))
        return;

    PlaylistEntries.clear();
    QString error;
    bool written = true;
    {
        setBrowsingEnabled(false);
        BusyCursor busy;
        PlaylistEntries = BuildPathList(folder, archives);
        // The name box stays open during the build. A name typed meanwhile
        // gets the same care as the first one: the ".m3u" rule, and the
        // question before it replaces a file (it might name an archive).
        QString playlistName = txtPlaylistName->text();
        if (playlistName != confirmedName) {
            txtPlaylistName_LostFocus();
            playlistName = txtPlaylistName->text();
        }
        if (playlistName == confirmedName || mayWriteTo(folder, playlistName)) {
            written = WritePlaylist(PlaylistEntries, playlistName, folder, &error);
            if (!written)
                error = QStringLiteral("The playlist \"%1\" could not be written:\r\n%2")
                            .arg(QDir::toNativeSeparators(JoinPath(folder, playlistName)), error);
        }
        setBrowsingEnabled(true);
    }
    if (!written)
        ShowMessage(error, MsgCritical, QStringLiteral("Playlist Not Written"));
}

void Form1::setBrowsingEnabled(bool enabled)
{
    drvRSNNames->setEnabled(enabled);
    dirRSNNames->setEnabled(enabled);
    filRSNNames->setEnabled(enabled);
}

void Form1::txtPlaylistName_LostFocus()
{
    const QString name = txtPlaylistName->text();
    const QString withExtension = WithPlaylistExtension(name);
    if (withExtension != name)
        txtPlaylistName->setText(withExtension);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtPlaylistName && event->type() == QEvent::FocusOut) {
        // Switching to another application or opening the box's own menu
        // is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            txtPlaylistName_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

// A folder dropped from a file manager, or the folder of a dropped file.
// Nothing while a build runs: its folder must not change under it.
QString Form1::droppedFolder(const QMimeData *data) const
{
    if (m_running == Work::Build || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QFileInfo dropped(url.toLocalFile());
    if (dropped.isDir())
        return dropped.absoluteFilePath();
    if (dropped.isFile())
        return dropped.absolutePath();
    return {};
}

void Form1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent *event)
{
    const QString folder = droppedFolder(event->mimeData());
    if (folder.isEmpty())
        return;
    event->acceptProposedAction();
    chooseFolder(folder);
}
