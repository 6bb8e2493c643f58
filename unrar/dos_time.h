// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// DOS date/time (local time, 2-second steps), the time format of the C
// interface's records.
#pragma once

#include <cstdint>

namespace unrar {

// Unix time (UTC seconds) to DOS local time; 0 when it falls outside the
// DOS range 1980-2107.
std::uint32_t unixToDosTime(std::int64_t unixTime);

// The same, remembering the last minute converted: members archived
// together mostly share it, and converting to local time is costly.
class DosTimeConverter {
public:
    std::uint32_t operator()(std::int64_t unixTime)
    {
        if (unixTime < 0)
            return 0;
        if (unixTime / 60 != m_minute) {
            m_minute = unixTime / 60;
            m_minuteDos = unixToDosTime(m_minute * 60);
        }
        if (m_minuteDos == 0)
            return unixToDosTime(unixTime); // out of range at the minute's start
        return m_minuteDos | static_cast<std::uint32_t>(unixTime % 60 / 2);
    }

private:
    std::int64_t m_minute = -1;
    std::uint32_t m_minuteDos = 0;
};

// Windows FILETIME (100 ns steps since 1601) to Unix time.
std::int64_t fileTimeToUnix(std::uint64_t fileTime);

} // namespace unrar
