// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "export_command.h"

#include "album_plan.h"
#include "exporter.h"
#include "terminal.h"
#include "track_export.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {
QString clock(qint64 ms)
{
    const qint64 seconds = (ms + 999) / 1000;
    return seconds >= 3600 ? QStringLiteral("%1:%2:%3")
                                 .arg(seconds / 3600)
                                 .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                 .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                           : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString progressText(const ExportProgress &progress)
{
    QString text = QStringLiteral("tracks %1/%2").arg(progress.tracksDone).arg(progress.tracks);
    if (progress.msLeft >= 0)
        text += QStringLiteral(", %1 left").arg(clock(progress.msLeft));
    return text;
}
} // namespace

int RunExportCommand(const ExportCommandOptions &options, const UnrarFunctions &library, Terminal &terminal,
                     const std::atomic<bool> *cancel)
{
    const ExportPlan plan = PlanExport(options.items, options.recursive, &library);
    for (const QString &problem : plan.problems)
        terminal.message(problem);
    if (plan.trackCount() == 0) {
        terminal.message(QStringLiteral("Nothing to export"));
        return ExportUsage;
    }
    ExportSettings settings = options.settings;
    settings.outputFolder = QDir::cleanPath(QDir(settings.outputFolder).absolutePath());
    QString error;
    if (!MakeFolder(settings.outputFolder, &error)) {
        terminal.message(error);
        return ExportNotWritten;
    }

    const ExportCallbacks callbacks{[&](const QString &text) { terminal.message(text); },
                                    [&](const ExportProgress &progress) { terminal.progress(progressText(progress)); }};
    const ExportCounts counts = RunExport(plan, settings, &library, callbacks, cancel);
    terminal.clearProgress();
    if (!options.quiet && !counts.cancelled) {
        std::printf("%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(CountsText(counts)));
        std::fflush(stdout);
    }
    if (counts.writeFailed)
        return ExportNotWritten;
    return counts.tracksFailed > 0 || !plan.problems.isEmpty() ? ExportLeftOut : ExportDone;
}
