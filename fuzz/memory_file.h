// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// An anonymous in-memory file the archive library can open by name: the
// library only reads files by path, and a memfd behind /proc/self/fd keeps
// every fuzz input off the disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include "crc_repair.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

class MemoryFile {
public:
    MemoryFile()
    {
        m_fd = memfd_create("fuzz-input", MFD_CLOEXEC);
        if (m_fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile &) = delete;
    MemoryFile &operator=(const MemoryFile &) = delete;

    // Replaces the file's contents with the given bytes.
    void assign(const std::uint8_t *data, std::size_t size)
    {
        if (ftruncate(m_fd, 0) != 0)
            std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t wrote = pwrite(m_fd, data + done, size - done, static_cast<off_t>(done));
            if (wrote <= 0)
                std::abort();
            done += static_cast<std::size_t>(wrote);
        }
    }

    const std::string &path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

// Runs work(path, variant) on the input as given and, when repairing its
// header CRCs changes it, once more on the repaired bytes (variant 1), so
// that mutations get past the CRC checks to the parsers and decoders.
namespace fuzzing {
template<typename Work>
void runAsGivenAndRepaired(const std::uint8_t *data, std::size_t size, Work work)
{
    static MemoryFile file;
    file.assign(data, size);
    work(file.path(), 0);
    std::vector<std::uint8_t> repaired(data, data + size);
    if (fuzzing::HeaderCrcRepair(repaired).run()) {
        file.assign(repaired.data(), repaired.size());
        work(file.path(), 1);
    }
}
} // namespace fuzzing
