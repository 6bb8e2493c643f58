// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Decompression speed and memory: RAR_TEST through the archive library's C
// interface (bytes handed to a callback, as callers receive them) against
// libarchive's in-process read of the same archives, where libarchive reads
// them. Prints MB/s of unpacked data (medians) and each run's peak memory
// beside the targets; measures, never fails.
#include "unrar.h"

#ifdef MARROWFEN_HAVE_LIBARCHIVE
#include "libarchive_unpack.h"
#endif

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    const char *file;
    const char *what;
    bool libarchiveReads; // non-solid RAR 3 and RAR 5
    double dictionaryMiB;
};

const Case kCases[] = {
    {"Large.rar", "RAR 5, one 64 MiB member", true, 4},
    {"Rar.Audio_program.rar", "RAR 3 audio filter, 5 MB", true, 4},
    {"Rar.issue1050.rar", "RAR 5, 15 MB in 18 files", true, 4},
    {"Rar.rar", "RAR 3, 100 KB in 3 files", true, 4},
    {"Rar.solid.rar", "solid RAR 3, 100 KB in 3 files", false, 4},
    {"Rar5.solid.rar", "solid RAR 5, 100 KB in 3 files", true, 4},
    {"Rar2.rar", "RAR 2.0, 100 KB in 3 files", false, 1},
    {"Rar15.rar", "RAR 1.5, 100 KB in 3 files", false, 0.0625},
};

int CALLBACK countBytes(unsigned, LPARAM user, LPARAM, LPARAM size)
{
    *reinterpret_cast<long long *>(user) += size;
    return 1;
}

// Tests every member; the bytes delivered, or -1 when any member fails.
long long unpackWithOurs(const std::string &path)
{
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char *>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    void *handle = RAROpenArchive(&open);
    if (!handle)
        return -1;
    long long total = 0;
    RARSetCallback(handle, countBytes, reinterpret_cast<LPARAM>(&total));
    RARHeaderData header{};
    bool ok = true;
    while (RARReadHeader(handle, &header) == ERAR_SUCCESS)
        ok = RARProcessFile(handle, RAR_TEST, nullptr, nullptr) == ERAR_SUCCESS && ok;
    RARCloseArchive(handle);
    return ok ? total : -1;
}

// Median MB/s over rounds lasting at least a second in all.
double rate(const std::function<long long()> &run, long long &bytes)
{
    std::vector<double> rates;
    const auto start = Clock::now();
    while (rates.size() < 3 || (rates.size() < 50 && Clock::now() - start < std::chrono::seconds(1))) {
        const auto t0 = Clock::now();
        bytes = run();
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        if (bytes < 0)
            return -1;
        rates.push_back(static_cast<double>(bytes) / 1e6 / seconds);
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

// Peak resident memory of one run in a child process, in MiB.
double peakMiB(const std::function<long long()> &run)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(run() < 0 ? 1 : 0);
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string dir = argc > 1 ? argv[1] : MARROWFEN_MORE_REAL_RAR_DIR;
    std::setlocale(LC_ALL, "C.UTF-8"); // libarchive converts names through the locale
    std::printf("RAR_TEST through the callback (bytes counted), medians; archives from %s\n\n", dir.c_str());
    std::printf("%-24s %-32s %10s %12s %8s %10s %10s\n", "archive", "what", "ours MB/s", "libarchive", "ratio",
                "peak MiB", "mem target");
    for (const Case &c : kCases) {
        const std::string path = dir + "/" + c.file;
        long long bytes = 0;
        const double ours = rate([&] { return unpackWithOurs(path); }, bytes);
        if (ours < 0) {
            std::printf("%-24s %-32s %10s\n", c.file, c.what, "FAILED");
            continue;
        }
        double theirs = -1;
#ifdef MARROWFEN_HAVE_LIBARCHIVE
        long long theirBytes = 0;
        if (c.libarchiveReads)
            theirs = rate([&] { return unpackWithLibarchive(path); }, theirBytes);
#endif
        const double peak = peakMiB([&] { return unpackWithOurs(path); });
        char theirsText[32] = "-";
        char ratioText[32] = "-";
        if (theirs > 0) {
            std::snprintf(theirsText, sizeof theirsText, "%.0f", theirs);
            std::snprintf(ratioText, sizeof ratioText, "%.2fx", ours / theirs);
        }
        std::printf("%-24s %-32s %10.0f %12s %8s %10.1f %10.0f\n", c.file, c.what, ours, theirsText, ratioText, peak,
                    c.dictionaryMiB + 32);
    }
    std::printf("\nTargets: ours at least libarchive's rate on every archive it reads (aim: twice);\n"
                "peak memory at most the dictionary plus 32 MiB (the process's own few MiB included).\n");
    return 0;
}
