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

// Windows FILETIME (100 ns steps since 1601) to Unix time.
std::int64_t fileTimeToUnix(std::uint64_t fileTime);

} // namespace unrar
