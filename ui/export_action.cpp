// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "export_action.h"

#include "album_plan.h"
#include "exporter.h"
#include "file_list_box.h"
#include "message_boxes.h"
#include "paths.h"
#include "track_export.h"
#include "unrar_library.h"
#include "user_interaction.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>

#include <thread>

namespace {
constexpr int kProblemsShown = 12;

QString summaryText(const ExportCounts &counts, const QStringList &problems, const QString &folder)
{
    QString text = counts.cancelled ? QStringLiteral("Export cancelled.\n") : QString();
    text += QStringLiteral("Exported to %1: %2.").arg(QDir::toNativeSeparators(folder), CountsText(counts));
    if (!problems.isEmpty()) {
        text += QStringLiteral("\n\n") + problems.mid(0, kProblemsShown).join(u'\n');
        if (problems.size() > kProblemsShown)
            text += QStringLiteral("\n(and %1 more)").arg(problems.size() - kProblemsShown);
    }
    return text;
}
} // namespace

struct ExportAction::Work {
    std::atomic<bool> cancel{false};
    std::thread thread;
};

ExportAction::ExportAction(FileListBox *list, MessageBoxes *messages, QWidget *window)
    : m_list(list)
    , m_messages(messages)
    , m_window(window)
    , m_action(new QAction(QStringLiteral("Export to FLAC…"), list))
{
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_list->addAction(m_action);
    m_action->setEnabled(false);
    connect(m_list, &FileListBox::itemSelectionChanged, this,
            [this] { m_action->setEnabled(!isRunning() && !m_list->selectedItems().isEmpty()); });
    connect(m_action, &QAction::triggered, this, &ExportAction::choose);
}

ExportAction::~ExportAction()
{
    if (m_work) {
        m_work->cancel = true;
        m_work->thread.join();
    }
}

bool ExportAction::isRunning() const
{
    return m_work != nullptr;
}

void ExportAction::choose()
{
    if (isRunning() || m_list->selectedItems().isEmpty())
        return;
    const QString folder = QFileDialog::getExistingDirectory(m_window, m_action->text(),
                                                             m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder);
    if (!folder.isEmpty())
        exportTo(folder);
}

void ExportAction::exportTo(const QString &folder)
{
    const UnrarFunctions *library = archiveLibrary();
    if (isRunning() || !library)
        return;
    m_lastFolder = folder;
    QStringList archives;
    for (const QString &name : m_list->selectedFileNames())
        archives << JoinPath(m_list->path(), name);
    m_action->setEnabled(false);

    m_dialog = new QProgressDialog(QStringLiteral("Reading the archives…"), QStringLiteral("Cancel"), 0, 0, m_window);
    m_dialog->setWindowTitle(m_action->text());
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_work = std::make_unique<Work>();
    connect(m_dialog, &QProgressDialog::canceled, this, [this] {
        m_work->cancel = true;
        m_dialog->setLabelText(QStringLiteral("Cancelling…"));
    });
    m_dialog->show();

    // Everything the worker reports reaches the window through queued
    // calls; none arrives once this object is gone.
    m_work->thread = std::thread([this, archives, folder, library, cancel = &m_work->cancel] {
        ExportSettings settings;
        settings.outputFolder = QDir::cleanPath(folder);
        ExportPlan plan = PlanExport(archives, false, library);
        QStringList problems = plan.problems;
        ExportCounts counts;
        QString error;
        if (!MakeFolder(settings.outputFolder, &error)) {
            problems << error;
            counts.writeFailed = true;
        } else {
            const ExportCallbacks callbacks{[&problems](const QString &text) { problems << text; },
                                            [this](const ExportProgress &progress) {
                                                QMetaObject::invokeMethod(
                                                    this, [this, progress] { showProgress(progress); },
                                                    Qt::QueuedConnection);
                                            }};
            counts = RunExport(plan, settings, library, callbacks, cancel);
        }
        QMetaObject::invokeMethod(
            this, [this, counts, problems, folder] { finish(counts, problems, folder); }, Qt::QueuedConnection);
    });
}

void ExportAction::showProgress(const ExportProgress &progress)
{
    if (!m_dialog || m_work->cancel)
        return;
    m_dialog->setMaximum(progress.tracks);
    m_dialog->setValue(progress.tracksDone);
    QString text = QStringLiteral("Exporting: %1 of %2 tracks done").arg(progress.tracksDone).arg(progress.tracks);
    if (progress.msLeft >= 0)
        text += QStringLiteral(", about %1 min left").arg((progress.msLeft + 59999) / 60000);
    m_dialog->setLabelText(text);
}

void ExportAction::finish(const ExportCounts &counts, const QStringList &problems, const QString &folder)
{
    m_work->thread.join();
    m_work.reset();
    m_dialog->deleteLater();
    m_dialog = nullptr;
    m_action->setEnabled(!m_list->selectedItems().isEmpty());
    const int style = counts.writeFailed ? MsgCritical : counts.tracksFailed > 0 ? MsgExclamation : MsgOkOnly;
    m_messages->show(summaryText(counts, problems, folder), QString::fromUtf16(ApplicationTitle), style);
    emit finished();
}
