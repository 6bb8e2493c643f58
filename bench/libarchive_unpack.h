// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// libarchive's in-process read of members' data (kept apart: its
// <archive.h> must not meet the archive library's headers).
#pragma once

#include <cstdint>
#include <string>

// Reads every data block of each member of the archive; the bytes read, or
// -1 when libarchive fails on any member.
std::int64_t unpackWithLibarchive(const std::string &path);
