// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// A folder of small RSN archives with known contents, for the window tests,
// the end-to-end script and screenshots.
#pragma once

#include <string>

namespace demo {

// Writes the archives (and a sub-folder and a non-archive file) into folder,
// which must exist. False when a file cannot be written.
bool writeArchives(const std::string &folder);

// The playlist a build of the first and third archive of the list writes.
std::string firstAndThirdPlaylist();

} // namespace demo
