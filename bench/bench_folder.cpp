// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Heavy folders in the window, offscreen: how long a folder of 10,000
// archives takes to fill the file list, and how a build over 1,000
// selected archives behaves (total time, yields, the longest stretch
// without one, events handled meanwhile, busy cursor, a second press), and
// how long the preview of one archive with many members stored in reverse
// name order takes (the sort's worst case).
//   bench_folder [archives in the big folder] [archives in the build] [members]
#include "dir_list_box.h"
#include "file_list_box.h"
#include "form1.h"
#include "message_boxes.h"
#include "rar_builder.h"
#include "user_interaction.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
class CountingMessages : public MessageBoxes {
public:
    int show(const QString &, const QString &title, int style) override
    {
        titles << title;
        return (style & 0x0F) == MsgYesNo ? AnswerYes : AnswerOk;
    }
    QStringList titles;
};

// Counts the events delivered while it is installed, paint events apart.
class EventCounter : public QObject {
public:
    int all = 0;
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        ++all;
        paints += event->type() == QEvent::Paint;
        return QObject::eventFilter(watched, event);
    }
};

bool writeArchives(const QString &folder, int count, int tracks)
{
    const std::string bytes = testrar::build(testrar::Format::Rar5, testrar::soundtrack(tracks));
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/Game %2.rsn").arg(folder).arg(i, 5, 10, QLatin1Char('0'));
        if (!testrar::writeFile(QFile::encodeName(path).toStdString(), bytes))
            return false;
    }
    return true;
}

double ms(qint64 nanoseconds)
{
    return double(nanoseconds) / 1e6;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int bigFolder = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int buildArchives = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int reversedMembers = argc > 3 ? std::atoi(argv[3]) : 10000;
    constexpr int kTracks = 12;

    QTemporaryDir big, selected;
    if (!big.isValid() || !selected.isValid() || !writeArchives(big.path(), bigFolder, kTracks)
        || !writeArchives(selected.path(), buildArchives, kTracks)) {
        std::fprintf(stderr, "cannot write the archives\n");
        return 1;
    }

    CountingMessages messages;
    Form1 form(&messages);
    form.show();
    if (!form.Form_Load()) {
        std::fprintf(stderr, "the archive library is not beside the program\n");
        return 1;
    }
    QCoreApplication::processEvents();
    auto *dirs = form.findChild<DirListBox *>(QStringLiteral("dirRSNNames"));
    auto *files = form.findChild<FileListBox *>(QStringLiteral("filRSNNames"));
    auto *button = form.findChild<QPushButton *>(QStringLiteral("cmdAddFiles"));
    if (!dirs || !files || !button) {
        std::fprintf(stderr, "the window's controls were not found\n");
        return 1;
    }

    // 1. The big folder: chosen in the folder list as a double-click would,
    // then one round of window events paints it. The other folder in
    // between, so every round really refills the list.
    std::printf("Folder of %d archives into the file list:\n", bigFolder);
    QElapsedTimer timer;
    qint64 best = -1;
    for (int round = 0; round < 3; ++round) {
        emit dirs->folderChosen(selected.path());
        QCoreApplication::processEvents();
        timer.start();
        emit dirs->folderChosen(big.path());
        const qint64 filled = timer.nsecsElapsed();
        QCoreApplication::processEvents();
        const qint64 painted = timer.nsecsElapsed();
        std::printf("  round %d: %d names listed in %.1f ms, painted after %.1f ms\n", round + 1, files->count(),
                    ms(filled), ms(painted));
        best = best < 0 ? painted : std::min(best, painted);
    }
    std::printf("  best: %.1f ms (target: under 1000 ms)\n", ms(best));

    // 2. A build over every archive of the other folder, over an existing
    // playlist (so the overwrite question is asked once per build).
    emit dirs->folderChosen(selected.path());
    QCoreApplication::processEvents();
    files->selectAll();
    testrar::writeFile(QFile::encodeName(selected.filePath(QStringLiteral("RSN Playlist.m3u"))).toStdString(), "old");

    int yields = 0, yieldsWithBusyCursor = 0, timerTicks = 0;
    qint64 lastYield = 0, longestGap = 0, lastTick = 0, longestTickGap = 0;
    bool pressedAgain = false, browsingDisabled = true;
    QTimer ticker; // a 10 ms timer stands for the user's input: how promptly is it served?
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = timer.nsecsElapsed();
        longestTickGap = std::max(longestTickGap, now - lastTick);
        lastTick = now;
        ++timerTicks;
        form.update(); // and a repaint asked for meanwhile
    });
    setYieldHandler([&] {
        const qint64 now = timer.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastYield);
        lastYield = now;
        ++yields;
        yieldsWithBusyCursor += QApplication::overrideCursor()
            && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        browsingDisabled = browsingDisabled && !files->isEnabled() && !dirs->isEnabled();
        if (!pressedAgain && yields == 1000) {
            pressedAgain = true;
            QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
        }
        QCoreApplication::processEvents();
    });
    EventCounter counter;
    app.installEventFilter(&counter);
    messages.titles.clear();
    timer.start();
    ticker.start();
    button->click();
    const qint64 total = timer.nsecsElapsed();
    ticker.stop();
    app.removeEventFilter(&counter);
    setYieldHandler([] { QCoreApplication::processEvents(); });
    QCoreApplication::processEvents(); // a press still queued now would start a second build

    QFile playlist(selected.filePath(QStringLiteral("RSN Playlist.m3u")));
    const int lines = playlist.open(QIODevice::ReadOnly) ? int(playlist.readAll().count('\n')) : -1;
    const int questions = int(messages.titles.count(QStringLiteral("Overwrite Existing File?")));
    std::printf("Build over %d selected archives of %d tracks:\n", buildArchives, kTracks);
    std::printf("  total %.1f ms, %d yields, longest gap between two yields %.2f ms\n", ms(total), yields,
                ms(longestGap));
    std::printf("  during the build: %d events handled, %d paints, %d ticks of a 10 ms timer (longest wait %.2f ms)\n",
                counter.all, counter.paints, timerTicks, ms(longestTickGap));
    std::printf("  busy cursor at %d of %d yields; browsing controls disabled throughout: %s\n", yieldsWithBusyCursor,
                yields, browsingDisabled ? "yes" : "no");
    std::printf("  second press during the build: %s (overwrite questions: %d)\n",
                !pressedAgain        ? "not tried"
                    : questions == 1 ? "ignored"
                                     : "started another build",
                questions);
    std::printf("  playlist: %d lines (expected %d); cursor restored: %s; browsing enabled again: %s\n", lines,
                1 + buildArchives * kTracks, QApplication::overrideCursor() ? "no" : "yes",
                files->isEnabled() ? "yes" : "no");

    // 3. The preview of one archive whose members are stored in reverse
    // name order: every sort pass moves one entry, one yield per pass.
    std::vector<testrar::Member> members;
    for (int i = reversedMembers; i > 0; --i) {
        members.emplace_back();
        members.back().name = QStringLiteral("Track %1.spc").arg(i, 6, 10, QLatin1Char('0')).toStdString();
        members.back().data = std::string(1, 's');
    }
    testrar::writeFile(QFile::encodeName(selected.filePath(QStringLiteral("~Reversed.rsn"))).toStdString(),
                       testrar::build(testrar::Format::Rar5, members));
    emit dirs->folderChosen(selected.path());
    QCoreApplication::processEvents();
    files->setCurrentRow(files->count() - 1);
    int previewYields = 0;
    qint64 previewLastYield = 0, previewLongestGap = 0;
    setYieldHandler([&] {
        const qint64 now = timer.nsecsElapsed();
        previewLongestGap = std::max(previewLongestGap, now - previewLastYield);
        previewLastYield = now;
        ++previewYields;
        QCoreApplication::processEvents();
    });
    timer.start();
    form.filRSNNames_Click();
    const qint64 previewTotal = timer.nsecsElapsed();
    setYieldHandler([] { QCoreApplication::processEvents(); });
    auto *preview = form.findChild<QListWidget *>(QStringLiteral("lstFiles"));
    std::printf("Preview of %s, %d members in reverse name order:\n", qPrintable(files->currentItem()->text()),
                reversedMembers);
    std::printf("  total %.1f ms, %d yields (members and sort passes), longest gap between two yields %.2f ms, "
                "%d names shown\n",
                ms(previewTotal), previewYields, ms(previewLongestGap), preview ? preview->count() : -1);

    const bool ok = lines == 1 + buildArchives * kTracks && questions == 1 && !QApplication::overrideCursor()
        && yieldsWithBusyCursor == yields && files->isEnabled();
    return ok ? 0 : 1;
}
