// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Lists every file of a folder through the archive library's C interface and
// tests every member, printing what the library reports in a form that does
// not depend on the platform. Built against the Linux and the Windows
// library alike (plain C++, no Qt), so the two outputs can be compared.
//   list_archives FOLDER
// One "==" line per file (its open result), one line per member (header
// fields; the RAR_TEST result with the count and CRC-32 of the bytes the
// callback received; the name with bytes outside printable ASCII as \xNN),
// one "end" line with the result that ended the walk.
#include "crc32.h"
#include "unrar.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

// No archive holds this many members; a walk that gets there is looping.
constexpr unsigned kMaxMembers = 1000000;

std::string escaped(const char *field, std::size_t size)
{
    std::string out;
    for (std::size_t i = 0; i < size && field[i] != '\0'; ++i) {
        const auto byte = static_cast<unsigned char>(field[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

// What the callback received of one member.
struct Delivered {
    unsigned long long bytes = 0;
    std::uint32_t crc = 0;
};

int CALLBACK onData(unsigned int message, LPARAM userData, LPARAM data, LPARAM size)
{
    if (message != UCM_PROCESSDATA || size < 0)
        return 1;
    auto &delivered = *reinterpret_cast<Delivered *>(userData);
    delivered.crc = unrar::crc32(reinterpret_cast<const std::uint8_t *>(data), static_cast<std::size_t>(size),
                                 delivered.crc);
    delivered.bytes += static_cast<unsigned long long>(size);
    return 1;
}

// The archive handle, closed however the listing ends.
class Handle {
public:
    explicit Handle(void *handle)
        : m_handle(handle)
    {
    }
    ~Handle()
    {
        if (m_handle)
            RARCloseArchive(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    void *get() const { return m_handle; }

private:
    void *m_handle;
};

void listArchive(const std::filesystem::path &path)
{
    std::string arcName = path.string();
    static char comment[64 * 1024];
    RAROpenArchiveData open{};
    open.ArcName = arcName.data();
    open.OpenMode = RAR_OM_EXTRACT;
    open.CmtBuf = comment;
    open.CmtBufSize = sizeof comment;
    const Handle handle(RAROpenArchive(&open));
    std::printf("== %s open=%u comment=%u\n", path.filename().string().c_str(), open.OpenResult,
                handle.get() ? open.CmtState : 0u);
    if (!handle.get())
        return;

    Delivered delivered;
    RARSetCallback(handle.get(), onData, reinterpret_cast<LPARAM>(&delivered));
    RARHeaderData header{};
    int result = ERAR_SUCCESS;
    for (unsigned members = 0; members < kMaxMembers; ++members) {
        result = RARReadHeader(handle.get(), &header);
        if (result != ERAR_SUCCESS)
            break;
        delivered = {};
        const int tested = RARProcessFile(handle.get(), RAR_TEST, nullptr, nullptr);
        std::printf("%04X %u %u %u %08X %08X %u %u %08X test=%d %llu %08X | %s\n", header.Flags, header.PackSize,
                    header.UnpSize, header.HostOS, header.FileCRC, header.FileTime, header.UnpVer, header.Method,
                    header.FileAttr, tested, delivered.bytes, static_cast<unsigned>(delivered.crc),
                    escaped(header.FileName, sizeof header.FileName).c_str());
    }
    std::printf("end=%d\n", result);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: list_archives FOLDER\n");
        return 2;
    }
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(argv[1], error)) {
        if (entry.is_regular_file())
            files.push_back(entry.path());
    }
    if (error) {
        std::fprintf(stderr, "list_archives: cannot read %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end(),
              [](const auto &a, const auto &b) { return a.filename().string() < b.filename().string(); });
    for (const auto &file : files)
        listArchive(file);
    return 0;
}
