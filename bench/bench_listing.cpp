// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Listing speed: our listing (ProcessArchive + SortEntries through the
// archive library) against other readers and a floor, on the same archive
// files in the same run. Prints figures and the targets beside them.
#include "entry_list.h"
#include "extraction.h"
#include "header_offsets.h"
#include "rar_builder.h"
#include "unrar_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#ifdef MARROWFEN_HAVE_LIBARCHIVE
#include "libarchive_listing.h"
#endif

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {
constexpr int kArchives = 1000;
constexpr int kMembers = 40;
constexpr int kRounds = 5;
constexpr int kBigMembers = 1000;

using Clock = std::chrono::steady_clock;

struct ArchiveFile {
    std::string path;
    std::vector<HeaderSpan> headers;
};

struct Set {
    const char *title;
    testrar::Format format;
    bool solid;
    QString folder;
    std::vector<ArchiveFile> files;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double secondsOf(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Stored bytes added to each member (--member-bytes). By default 4 to 7 KiB,
// so that, as in real archives (tens of KiB of packed sound per member),
// every header lies in a region of the file of its own; 0 leaves the
// builder's few bytes, with the headers packed close together.
int g_memberBytes = 4096;

// Members named like a soundtrack, sizes varying from archive to archive.
std::vector<testrar::Member> membersFor(int archive, int count)
{
    std::vector<testrar::Member> members = testrar::soundtrack(count);
    if (g_memberBytes > 0) {
        for (std::size_t i = 0; i < members.size(); ++i)
            members[i].data += std::string(g_memberBytes + ((archive + i) % 7) * (g_memberBytes / 8), 's');
    }
    return members;
}

bool makeSet(Set &set, const QString &root)
{
    set.folder = root + QLatin1Char('/') + QString::fromLatin1(set.title).replace(u' ', u'_');
    if (!QDir().mkpath(set.folder))
        return false;
    testrar::Options options;
    options.solid = set.solid;
    for (int i = 0; i < kArchives; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/Game %04d.rsn", i);
        const std::string path = QFile::encodeName(set.folder).toStdString() + name;
        const std::string bytes = testrar::build(set.format, membersFor(i, kMembers), options);
        ArchiveFile file{path, headerSpans(bytes)};
        if (file.headers.size() != kMembers + 1 || !testrar::writeFile(path, bytes))
            return false;
        set.files.push_back(std::move(file));
    }
    return true;
}

void warmPageCache(const Set &set)
{
    std::vector<char> buffer(1 << 16);
    for (const ArchiveFile &file : set.files) {
        const int fd = ::open(file.path.c_str(), O_RDONLY);
        while (fd >= 0 && ::read(fd, buffer.data(), buffer.size()) > 0) {
        }
        if (fd >= 0)
            ::close(fd);
    }
}

// Ours: what the window does for each archive of a build.
bool listOurs(const Set &set)
{
    for (const ArchiveFile &file : set.files) {
        ProcessArchive(QStringLiteral("ObtainList"), QFile::decodeName(file.path.c_str()), QString());
        const QString paths = SortEntries(ArchiveEntries, true);
        if (paths.count(u'*') != kMembers - 1)
            return false;
    }
    return true;
}

// The archive library alone, called as the listing calls it: what ours
// costs beyond this is the engine's share.
bool listLibraryOnly(const Set &set)
{
    const UnrarFunctions &f = *archiveLibrary();
    std::vector<char> comment(16384);
    char empty[1] = "";
    for (const ArchiveFile &file : set.files) {
        std::string arcName = file.path;
        RAROpenArchiveData open{};
        open.ArcName = arcName.data();
        open.OpenMode = RAR_OM_EXTRACT;
        open.CmtBuf = comment.data();
        open.CmtBufSize = unsigned(comment.size());
        void *handle = f.openArchive(&open);
        if (!handle)
            return false;
        RARHeaderData header{};
        int members = 0;
        while (f.readHeader(handle, &header) == ERAR_SUCCESS) {
            ++members;
            f.processFile(handle, RAR_SKIP, empty, empty);
        }
        f.closeArchive(handle);
        if (members != kMembers)
            return false;
    }
    return true;
}

// The floor: open, one read per header at its known offset, close.
bool listFloor(const Set &set)
{
    std::vector<char> buffer(1 << 16);
    for (const ArchiveFile &file : set.files) {
        const int fd = ::open(file.path.c_str(), O_RDONLY);
        if (fd < 0)
            return false;
        for (const HeaderSpan &span : file.headers) {
            if (::pread(fd, buffer.data(), span.size, off_t(span.offset)) != ssize_t(span.size)) {
                ::close(fd);
                return false;
            }
        }
        ::close(fd);
    }
    return true;
}

#ifdef MARROWFEN_HAVE_LIBARCHIVE
bool listLibarchive(const Set &set)
{
    std::vector<std::string> paths;
    for (const ArchiveFile &file : set.files)
        paths.push_back(file.path);
    return listWithLibarchive(paths, kMembers);
}
#endif

// Archives per second, median of the rounds; nullopt when a round failed.
std::optional<double> rateOf(const Set &set, const std::function<bool(const Set &)> &list)
{
    std::vector<double> rates;
    for (int round = 0; round < kRounds; ++round) {
        bool ok = true;
        const double seconds = secondsOf([&] { ok = list(set); });
        if (!ok)
            return std::nullopt;
        rates.push_back(set.files.size() / seconds);
    }
    return median(rates);
}

// python3-rarfile times itself; its per-round seconds come back on stdout.
std::optional<double> rarfileRate(const Set &set, QString *why)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(MARROWFEN_BENCH_DIR "/rarfile_listing.py"), set.folder, QString::number(kRounds),
                  QString::number(kMembers)});
    if (!python.waitForFinished(-1) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        *why = QString::fromLocal8Bit(python.readAllStandardError()).trimmed();
        if (why->isEmpty())
            *why = python.errorString();
        return std::nullopt;
    }
    std::vector<double> rates;
    for (const QByteArray &line : python.readAllStandardOutput().split('\n')) {
        bool ok = false;
        const double seconds = line.toDouble(&ok);
        if (ok && seconds > 0)
            rates.push_back(set.files.size() / seconds);
    }
    if (rates.empty()) {
        *why = QStringLiteral("no timings printed");
        return std::nullopt;
    }
    return median(rates);
}

void printRate(const char *name, std::optional<double> rate)
{
    if (rate)
        std::printf("  %-28s %10.0f archives/s\n", name, *rate);
    else
        std::printf("  %-28s %10s\n", name, "failed");
}

void printRatio(const char *what, std::optional<double> ours, std::optional<double> other, double target,
                const char *targetText)
{
    if (!ours || !other) {
        std::printf("  %-28s %10s   target %s\n", what, "n/a", targetText);
        return;
    }
    const double ratio = *ours / *other;
    std::printf("  %-28s %10.2f   target %-10s %s\n", what, ratio, targetText, ratio >= target ? "met" : "MISSED");
}

// System calls the library makes to list an archive, counted by strace from
// the open to the close of the archive file; the most over the archives
// given. This program lists them with --list: the first one twice, since
// its first listing also pays for what a process does once (reading the
// time zone).
std::optional<int> syscallsToList(const QString &root, const QStringList &paths)
{
    const QString log = root + QStringLiteral("/strace.log");
    QProcess strace;
    strace.start(QStringLiteral("strace"),
                 QStringList{QStringLiteral("-o"), log, QCoreApplication::applicationFilePath(),
                             QStringLiteral("--list"), paths.first()}
                     + paths);
    if (!strace.waitForFinished(60000) || strace.exitCode() != 0)
        return std::nullopt;
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    int calls = 0;
    int listings = 0;
    QByteArray fd;
    std::optional<int> most;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const auto opens = [&](const QString &path) { return line.contains('"' + QFile::encodeName(path) + '"'); };
        if (line.startsWith("openat(") && line.contains(") = ") && !line.contains(") = -")
            && std::any_of(paths.begin(), paths.end(), opens)) {
            fd = line.mid(line.lastIndexOf(" = ") + 3).trimmed();
            calls = 0;
        }
        if (fd.isEmpty())
            continue;
        ++calls;
        if (line.startsWith("close(" + fd + ")")) {
            if (listings++ > 0)
                most = std::max(most.value_or(0), calls);
            fd.clear();
        }
    }
    return most;
}

// Lists and sorts one archive of many members; median milliseconds.
std::optional<double> bigArchiveMs(const QString &root, testrar::Format format, bool solid)
{
    testrar::Options options;
    options.solid = solid;
    const QString path = root + QStringLiteral("/Big %1.rsn").arg(format == testrar::Format::Rar4 ? 4 : 5);
    if (!testrar::writeFile(QFile::encodeName(path).toStdString(),
                            testrar::build(format, membersFor(0, kBigMembers), options)))
        return std::nullopt;
    std::vector<double> times;
    for (int round = 0; round < kRounds + 1; ++round) {
        bool ok = true;
        const double seconds = secondsOf([&] {
            ProcessArchive(QStringLiteral("ObtainList"), path, QString());
            ok = SortEntries(ArchiveEntries, true).count(u'*') == kBigMembers - 1;
        });
        if (!ok)
            return std::nullopt;
        if (round > 0) // the first round warms the cache
            times.push_back(seconds * 1000);
    }
    return median(times);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    bool oursOnly = false;
    const QStringList args = app.arguments();
    QStringList listOnly;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--list" && i + 1 < args.size()) {
            listOnly = args.mid(i + 1);
            break;
        } else if (args[i] == u"--ours-only") {
            oursOnly = true;
        } else if (args[i] == u"--member-bytes" && i + 1 < args.size()) {
            g_memberBytes = std::max(0, args[++i].toInt());
        } else {
            std::fprintf(stderr, "usage: bench_listing [--member-bytes N] [--ours-only] [--list ARCHIVE...]\n");
            return 2;
        }
    }
    std::setlocale(LC_ALL, "C.UTF-8"); // libarchive converts names through the locale

    UnrarLibrary library;
    const QString libraryPath = QCoreApplication::applicationDirPath() + QLatin1Char('/') + UnrarLibrary::fileName();
    if (!library.load(libraryPath)) {
        std::fprintf(stderr, "%s\n", qPrintable(library.errorString()));
        return 1;
    }
    setArchiveLibrary(&library.functions());
    if (!listOnly.isEmpty()) {
        Set given{"given", testrar::Format::Rar4, false, {}, {}};
        for (const QString &path : listOnly)
            given.files.push_back({QFile::encodeName(path).toStdString(), {}});
        return listLibraryOnly(given) ? 0 : 1;
    }

    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    Set sets[] = {{"RAR4 solid", testrar::Format::Rar4, true, {}, {}}, {"RAR5", testrar::Format::Rar5, false, {}, {}}};
    std::printf("Building %d archives of %d members per set in %s (%d+ stored bytes per member) ...\n", kArchives,
                kMembers, qPrintable(root.path()), g_memberBytes);
    std::fflush(stdout);
    for (Set &set : sets) {
        if (!makeSet(set, root.path())) {
            std::fprintf(stderr, "cannot build the %s set\n", set.title);
            return 1;
        }
    }

    // Only our listing and the library alone, over and over, for a profiler.
    if (oursOnly) {
        for (Set &set : sets) {
            warmPageCache(set);
            for (int repeat = 0; repeat < 4; ++repeat) {
                std::printf("%s:\n", set.title);
                printRate("ours (list + sort)", rateOf(set, listOurs));
                printRate("  of it the library alone", rateOf(set, listLibraryOnly));
            }
        }
        return 0;
    }

    std::printf("Medians of %d rounds, page cache warm.\n", kRounds);
    for (Set &set : sets) {
        warmPageCache(set);
        std::printf("\n%s: %d archives x %d members\n", set.title, kArchives, kMembers);
        const auto ours = rateOf(set, listOurs);
        const auto floor = rateOf(set, listFloor);
        const auto libraryOnly = rateOf(set, listLibraryOnly);
        printRate("ours (list + sort)", ours);
        printRate("  of it the library alone", libraryOnly);
        printRate("floor (one read per header)", floor);
        printRatio("ours / floor", ours, floor, 0.5, ">= 0.5");

        QString why;
        const auto python = rarfileRate(set, &why);
        printRate("python3-rarfile", python);
        if (!python)
            std::printf("    (%s)\n", qPrintable(why));
        const bool pythonTarget = set.format == testrar::Format::Rar4;
        printRatio("ours / python3-rarfile", ours, python, pythonTarget ? 10 : 0, pythonTarget ? ">= 10" : "none");

        if (set.format == testrar::Format::Rar5) {
#ifdef MARROWFEN_HAVE_LIBARCHIVE
            const auto libarchive = rateOf(set, listLibarchive);
            printRate("libarchive (header loop)", libarchive);
            printRatio("ours / libarchive", ours, libarchive, 3, ">= 3");
#else
            std::printf("  %-28s %10s   (built without libarchive)\n", "libarchive (header loop)", "skipped");
#endif
        } else {
            std::printf("  %-28s %10s   (it cannot list solid RAR 4)\n", "libarchive (header loop)", "n/a");
        }
    }

    // Member sizes repeat every 7 archives, so the first 7 show them all.
    std::printf("\nSystem calls to list an archive of %d members (the most over those listed, target <= 6):\n",
                kMembers);
    for (const Set &set : sets) {
        const QString packed = root.path() + QStringLiteral("/Syscalls.rsn");
        QStringList ofSet;
        for (std::size_t i = 0; i < std::min<std::size_t>(7, set.files.size()); ++i)
            ofSet << QFile::decodeName(set.files[i].path.c_str());
        const bool written = testrar::writeFile(QFile::encodeName(packed).toStdString(),
                                                testrar::build(set.format, testrar::soundtrack(kMembers), {}));
        const std::pair<const char *, std::optional<int>> counts[] = {
            {"headers in the first read", written ? syscallsToList(root.path(), {packed}) : std::nullopt},
            {"this set's first 7 archives", syscallsToList(root.path(), ofSet)},
        };
        std::printf("  %s:\n", set.title);
        for (const auto &[what, calls] : counts) {
            if (calls)
                std::printf("    %-26s %10d   %s\n", what, *calls, *calls <= 6 ? "met" : "MISSED");
            else
                std::printf("    %-26s %10s   (strace did not run)\n", what, "n/a");
        }
    }

    std::printf("\nOne archive of %d members, listed and sorted (median ms, target < 20):\n", kBigMembers);
    for (const Set &set : sets) {
        const auto ms = bigArchiveMs(root.path(), set.format, set.solid);
        if (ms)
            std::printf("  %-28s %10.2f ms   %s\n", set.title, *ms, *ms < 20 ? "met" : "MISSED");
        else
            std::printf("  %-28s %10s\n", set.title, "failed");
    }
    setArchiveLibrary(nullptr);
    return 0;
}
