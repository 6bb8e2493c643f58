// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "dos_time.h"

#include <ctime>

namespace unrar {

std::uint32_t unixToDosTime(std::int64_t unixTime)
{
    // Outside 1970..2200 localtime has nothing sensible to give a DOS time.
    if (unixTime < 0 || unixTime > 7258118400LL)
        return 0;
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &t) != 0)
        return 0;
#else
    if (!localtime_r(&t, &local))
        return 0;
#endif
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107)
        return 0;
    return static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(local.tm_mon + 1) << 21
        | static_cast<std::uint32_t>(local.tm_mday) << 16 | static_cast<std::uint32_t>(local.tm_hour) << 11
        | static_cast<std::uint32_t>(local.tm_min) << 5 | static_cast<std::uint32_t>(local.tm_sec / 2);
}

std::int64_t fileTimeToUnix(std::uint64_t fileTime)
{
    return static_cast<std::int64_t>(fileTime / 10000000u) - 11644473600LL;
}

} // namespace unrar
