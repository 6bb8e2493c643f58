// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Read-only access to the archive file by offset. Knows the file's size and
// never reads outside it; keeps one window of recently read bytes so that
// neighbouring headers cost a single system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace unrar {

class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    // path is in the platform's narrow file-name encoding. Only regular
    // files open.
    bool open(const char *path);
    std::uint64_t size() const { return m_size; }

    // n bytes at offset, valid until the next call; empty when the range is
    // not wholly inside the file or reading fails.
    std::span<const std::uint8_t> view(std::uint64_t offset, std::size_t n);

    // Up to n bytes at offset into dst, bypassing the window; returns the
    // count read (short only at the end of the file or on an error).
    std::size_t readAt(std::uint64_t offset, std::uint8_t *dst, std::size_t n);

private:
    void close();

#ifdef _WIN32
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
    std::uint64_t m_size = 0;
    std::unique_ptr<std::uint8_t[]> m_window; // left uninitialised: every byte used was read
    std::size_t m_windowCapacity = 0;
    std::uint64_t m_windowOffset = 0;
    std::size_t m_windowLength = 0;
    std::uint64_t m_lastView = 0;            // offset of the latest view asked for
    std::uint64_t m_viewStride = UINT64_MAX; // how far it lies past the one before
};

} // namespace unrar
