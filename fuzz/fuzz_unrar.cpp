// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Arbitrary bytes through the archive library's C interface: open, then read
// and skip headers until the library says stop, the way the engine does.
// Each input runs as given and, when that changes it, once more with its
// header CRCs made valid.
#include "memory_file.h"
#include "unrar.h"

#include <cstdlib>
#include <cstring>

namespace {
// A hostile archive may be endless only in theory: every header moves the
// walk forward by at least one byte, so the member count is bounded by the
// input's size. More calls than that means the walk stopped moving.
void listAll(const std::string &path, std::size_t inputSize, bool withComment)
{
    char comment[512];
    RAROpenArchiveData open{};
    open.ArcName = const_cast<char *>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    if (withComment) {
        std::memset(comment, 0x55, sizeof comment);
        open.CmtBuf = comment;
        open.CmtBufSize = sizeof comment;
    }
    void *handle = RAROpenArchive(&open);
    if ((handle == nullptr) != (open.OpenResult != ERAR_SUCCESS))
        std::abort(); // a handle exactly when the open succeeded
    if (!handle)
        return;
    if (withComment && open.CmtState == 1
        && (open.CmtSize == 0 || open.CmtSize > sizeof comment || comment[open.CmtSize - 1] != '\0'))
        std::abort();

    RARHeaderData header;
    std::size_t members = 0;
    int result;
    for (;;) {
        std::memset(&header, 0xAA, sizeof header);
        header.CmtBuf = nullptr;
        header.CmtBufSize = 0;
        result = RARReadHeader(handle, &header);
        if (result != ERAR_SUCCESS)
            break;
        if (++members > inputSize)
            std::abort();
        if (!std::memchr(header.FileName, '\0', sizeof header.FileName)
            || !std::memchr(header.ArcName, '\0', sizeof header.ArcName))
            std::abort(); // the text fields are always terminated
        if (RARProcessFile(handle, members % 2 ? RAR_SKIP : RAR_EXTRACT, nullptr, nullptr) == ERAR_SUCCESS
            && members % 2 == 0)
            std::abort(); // nothing is ever written
    }
    if (result != ERAR_END_ARCHIVE && result != ERAR_BAD_DATA && result != ERAR_UNKNOWN && result != ERAR_NO_MEMORY)
        std::abort();
    // The end is sticky.
    if (RARReadHeader(handle, &header) != result)
        std::abort();
    if (RARCloseArchive(handle) != ERAR_SUCCESS)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The comment buffer alternates between the two runs.
    fuzzing::runAsGivenAndRepaired(data, size, [size](const std::string &path, int variant) {
        listAll(path, size, (size + static_cast<std::size_t>(variant)) % 2 == 0);
    });
    return 0;
}
