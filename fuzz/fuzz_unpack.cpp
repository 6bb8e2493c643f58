// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes through RAR_TEST: every member is unpacked in memory and
// checked. Whatever the data, the library delivers at most the header's
// size, exactly that size when it reports an intact member, and answers
// with one of its documented codes. Each input runs as given and, when that
// changes it, once more with its header CRCs made valid so that mutations
// reach the decoders. What one input may unpack is bounded (an input of a
// few kilobytes can declare and hold gigabytes): members are tested while
// their sizes fit the budget; a member larger than what is left is tested
// up to it and stopped there, and the input ends.
#include "memory_file.h"
#include "unrar.h"

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned long long kBudget = 4 << 20;

struct Delivered {
    unsigned long long bytes = 0;
    unsigned long long limit = 0;  // the member's size
    unsigned long long stopAt = 0; // where the callback stops the member
    bool stopped = false;
};

int CALLBACK countBytes(unsigned msg, LPARAM user, LPARAM, LPARAM size)
{
    auto &d = *reinterpret_cast<Delivered *>(user);
    if (msg != UCM_PROCESSDATA || size <= 0)
        std::abort(); // only data, and never an empty chunk
    d.bytes += static_cast<unsigned long long>(size);
    if (d.bytes > d.limit)
        std::abort();
    d.stopped = d.bytes >= d.stopAt;
    return d.stopped ? -1 : 1;
}

bool documented(int result, bool stopped)
{
    switch (result) {
    case ERAR_SUCCESS:
    case ERAR_NO_MEMORY:
    case ERAR_BAD_DATA:
    case ERAR_UNKNOWN_FORMAT:
    case ERAR_EOPEN:
    case ERAR_MISSING_PASSWORD:
    case ERAR_EREFERENCE:
    case ERAR_LARGE_DICT:
        return true;
    case ERAR_UNKNOWN: // stopped by the callback
        return stopped;
    default:
        return false;
    }
}

void testAll(const std::string &path, std::size_t inputSize, bool skipSome)
{
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char *>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    void *handle = RAROpenArchive(&open);
    if (!handle)
        return;
    Delivered delivered;
    RARSetCallback(handle, countBytes, reinterpret_cast<LPARAM>(&delivered));
    RARHeaderData header{};
    std::size_t members = 0;
    unsigned long long budget = kBudget;
    while (budget > 0 && RARReadHeader(handle, &header) == ERAR_SUCCESS) {
        if (++members > inputSize)
            std::abort();
        // Odd inputs skip every other member, so solid streams are caught up unseen.
        const bool test = !skipSome || members % 2 == 0;
        const unsigned long long size = header.UnpSize;
        delivered = {0, size, size <= budget ? ULLONG_MAX : budget};
        budget = size <= budget ? budget - size : 0;
        const int result = RARProcessFile(handle, test ? RAR_TEST : RAR_SKIP, nullptr, nullptr);
        if (!documented(result, delivered.stopped))
            std::abort();
        // An intact member delivers all its bytes (a link may deliver none;
        // UnpSize is the low 32 bits of the size).
        if (test && result == ERAR_SUCCESS && !(header.Flags & RHDF_DIRECTORY) && delivered.bytes != 0
            && delivered.bytes != header.UnpSize)
            std::abort();
    }
    if (RARCloseArchive(handle) != ERAR_SUCCESS)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzing::runAsGivenAndRepaired(data, size,
                                   [size](const std::string &path, int) { testAll(path, size, size % 2 != 0); });
    return 0;
}
