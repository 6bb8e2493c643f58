// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// libarchive's header loop over a list of RAR 5 archives (kept apart: its
// <archive.h> must not meet the archive library's headers).
#pragma once

#include <string>
#include <vector>

// Lists every archive (next header + data skip); false unless each one gave
// exactly `members` members.
bool listWithLibarchive(const std::vector<std::string> &paths, int members);
