// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "file_reader.h"

#include <algorithm>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace unrar {
namespace {
// A read costs a system call plus a copy of what it reads. Where headers lie
// close together (small members) one large read serves many of them, and the
// small members between them cost less to copy than a call each; where they
// lie far apart a small read is cheapest, since most headers are small.
constexpr std::size_t kSmallWindow = 4 * 1024;
constexpr std::size_t kLargeWindow = 256 * 1024;
constexpr std::uint64_t kCloseHeaders = 16 * 1024;
} // namespace

FileReader::~FileReader()
{
    close();
}

#ifdef _WIN32

bool FileReader::open(const char *path)
{
    close();
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileSizeEx(h, &size) || size.QuadPart < 0) {
        CloseHandle(h);
        return false;
    }
    m_handle = h;
    m_size = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

void FileReader::close()
{
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
    m_handle = nullptr;
}

std::size_t FileReader::readAt(std::uint64_t offset, std::uint8_t *dst, std::size_t n)
{
    std::size_t done = 0;
    while (done < n && m_handle) {
        OVERLAPPED at{};
        const std::uint64_t where = offset + done;
        at.Offset = static_cast<DWORD>(where & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(where >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(m_handle), dst + done, chunk, &got, &at) || got == 0)
            break;
        done += got;
    }
    return done;
}

#else

bool FileReader::open(const char *path)
{
    close();
    // Non-blocking, so that a FIFO (say behind a symbolic link named like an
    // archive) is refused below instead of waiting forever for a writer. On
    // the regular files kept, the flag changes nothing, so it stays set.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

void FileReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::size_t FileReader::readAt(std::uint64_t offset, std::uint8_t *dst, std::size_t n)
{
    std::size_t done = 0;
    while (done < n && m_fd >= 0) {
        const ssize_t got = ::pread(m_fd, dst + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

#endif

std::span<const std::uint8_t> FileReader::view(std::uint64_t offset, std::size_t n)
{
    if (offset > m_size || n > m_size - offset)
        return {};
    // The stride is measured between headers, not between reads, so that a
    // run of close headers keeps its large reads; a second look at the same
    // header keeps the stride that led to it.
    if (offset != m_lastView) {
        m_viewStride = offset > m_lastView ? offset - m_lastView : UINT64_MAX;
        m_lastView = offset;
    }
    if (offset >= m_windowOffset && offset - m_windowOffset <= m_windowLength
        && n <= m_windowLength - (offset - m_windowOffset))
        return {m_window.get() + (offset - m_windowOffset), n};

    const std::size_t window = m_viewStride <= kCloseHeaders ? kLargeWindow : kSmallWindow;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(n, window), m_size - offset));
    m_windowLength = 0;
    if (m_windowCapacity < want) {
        m_window = std::make_unique_for_overwrite<std::uint8_t[]>(want);
        m_windowCapacity = want;
    }
    const std::size_t got = readAt(offset, m_window.get(), want);
    if (got < n)
        return {};
    m_windowOffset = offset;
    m_windowLength = got;
    return {m_window.get(), n};
}

} // namespace unrar
